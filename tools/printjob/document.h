// One document printed through the stand-in GDI: a printer DC with the job's DEVMODE, StartDoc,
// the script's pages, EndDoc; the job's bytes as the spooler holds them.
#pragma once

#include <string>
#include <vector>

#include <win/base.h>

namespace printjob {

struct PrintRequest {
  std::u16string printer;
  std::vector<BYTE> devmode;      // from BuildDevmode
  std::u16string documentName;
  std::string script;             // the drawing script's text
  std::string scriptSource;       // its name in messages ("sample", a file name)
};

struct PrintResult {
  DWORD jobId = 0;
  int pages = 0;
  std::vector<std::string> warnings;
  std::vector<BYTE> job;          // the job stream the spooler received
};

// FALSE with a message when the DC, the document or a script line fails; a failed document is
// aborted, so the spooler keeps no half job.
bool PrintDocument(const PrintRequest& request, PrintResult& result, std::string& error);

// The built-in sample document as a drawing script.
const std::string& SampleDocumentScript();
// The sample document's image page (sample_images.cpp).
const std::string& SampleImagePageScript();

}  // namespace printjob
