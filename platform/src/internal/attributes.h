// File attributes of the stand-in machine. Read-only, hidden, system (and the other settable
// bits) are the machine's own records, kept under <root>/attributes in a tree that mirrors
// <root>/drives, never host permission bits: tests run as root, and the host's bits would not
// stop them. A record names the host inode it was written for, so a file that was replaced
// behind the stand-in's back does not inherit a stale read-only mark.
//
// Every function takes the host path of an entry inside the machine's drives (as
// plat::ResolvePath gives it) and never follows a symbolic link: a link carries its own record.
// Callers that delete, move or copy entries keep the records in step through DropAttributes,
// MoveAttributes and CopyAttributes; the stand-in's own file functions already do.
#pragma once

#include <string>

#include <win/base.h>

namespace plat {

// The bits a caller may set; FILE_ATTRIBUTE_DIRECTORY and FILE_ATTRIBUTE_REPARSE_POINT come
// from what the entry is.
constexpr DWORD kSettableAttributes = 0x00000001 /*READONLY*/ | 0x00000002 /*HIDDEN*/ | 0x00000004 /*SYSTEM*/ |
                                      0x00000020 /*ARCHIVE*/ | 0x00000100 /*TEMPORARY*/ | 0x00001000 /*OFFLINE*/ |
                                      0x00002000 /*NOT_CONTENT_INDEXED*/;

// The attributes Windows would report for the entry: the recorded bits (a file without a record
// is FILE_ATTRIBUTE_ARCHIVE, as a freshly created file is), plus DIRECTORY for a folder (or a link
// to one) and REPARSE_POINT for a symbolic link; FILE_ATTRIBUTE_NORMAL when nothing else is set.
// INVALID_FILE_ATTRIBUTES when the entry does not exist.
DWORD ReadAttributes(const std::string& hostPath);
// Records `attributes & kSettableAttributes` for the entry. False (with a Win32 error in
// `error`) when the entry does not exist or the record cannot be written.
bool WriteAttributes(const std::string& hostPath, DWORD attributes, DWORD* error = nullptr);
// True when the entry's record holds FILE_ATTRIBUTE_READONLY.
bool IsReadOnly(const std::string& hostPath);
// Forgets the entry's record, and for a folder the records of everything below it.
void DropAttributes(const std::string& hostPath);
// Carries the record (and a folder's records below it) to the entry's new host path after a
// rename; the record of whatever `toHost` replaced is dropped first.
void MoveAttributes(const std::string& fromHost, const std::string& toHost);
// Gives `toHost` the record `fromHost` has (used by copies, which keep the attributes).
void CopyAttributes(const std::string& fromHost, const std::string& toHost);

}  // namespace plat
