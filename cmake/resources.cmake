# Satellite resource libraries: .rc scripts compiled by the mingw-w64 binutils into
# resource-only PE files, which the stand-in's LoadLibraryW and FindResourceW read.

find_program(VELMOR_WINDRES x86_64-w64-mingw32-windres REQUIRED)
find_program(VELMOR_MINGW_LD x86_64-w64-mingw32-ld REQUIRED)

# velmor_add_resource_dll(NAME <file name with .dll> RC <file.rc> [INCLUDES <dir> ...]
#                         [OUTPUT_DIR <dir>] [DEPENDS <file> ...])
# Builds <OUTPUT_DIR (default VELMOR_OUT_DIR)>/<NAME> in the default build and makes the target
# res_<NAME without .dll> for it. The script is preprocessed as C (so a resource.h of #defines
# is shared with the code), with its own folder and INCLUDES on the include path; files it
# names (bitmaps, icons, manifests) are found relative to its folder. Headers it includes are
# tracked through the preprocessor's dependency file.
function(velmor_add_resource_dll)
  cmake_parse_arguments(R "" "NAME;RC;OUTPUT_DIR" "INCLUDES;DEPENDS" ${ARGN})
  if(NOT R_NAME OR NOT R_RC)
    message(FATAL_ERROR "velmor_add_resource_dll needs NAME and RC")
  endif()
  get_filename_component(rc_file ${R_RC} ABSOLUTE)
  get_filename_component(rc_dir ${rc_file} DIRECTORY)
  if(NOT R_OUTPUT_DIR)
    set(R_OUTPUT_DIR ${VELMOR_OUT_DIR})
  endif()
  string(REGEX REPLACE "\\.[dD][lL][lL]$" "" stem ${R_NAME})
  set(work ${CMAKE_CURRENT_BINARY_DIR}/res_${stem})
  set(object ${work}/${stem}.o)
  set(output ${R_OUTPUT_DIR}/${R_NAME})
  set(include_args --include-dir=${rc_dir})
  foreach(dir ${R_INCLUDES})
    get_filename_component(dir ${dir} ABSOLUTE)
    list(APPEND include_args --include-dir=${dir})
  endforeach()
  add_custom_command(
    OUTPUT ${object}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${work}
    COMMAND ${VELMOR_WINDRES} --preprocessor=cpp --preprocessor-arg=-xc
            --preprocessor-arg=-MD --preprocessor-arg=-MF --preprocessor-arg=${work}/${stem}.d
            --preprocessor-arg=-MT --preprocessor-arg=${object}
            ${include_args} ${rc_file} -O coff -o ${object}
    DEPENDS ${rc_file} ${R_DEPENDS}
    DEPFILE ${work}/${stem}.d
    WORKING_DIRECTORY ${rc_dir}
    COMMENT "Compiling resources ${R_RC}"
    VERBATIM)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${R_OUTPUT_DIR}
    COMMAND ${VELMOR_MINGW_LD} --dll -e 0 -o ${output} ${object}
    DEPENDS ${object}
    COMMENT "Linking resource library ${R_NAME}"
    VERBATIM)
  add_custom_target(res_${stem} ALL DEPENDS ${output})
endfunction()
