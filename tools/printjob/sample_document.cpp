// The built-in sample document, written in the drawing script so that it prints through the same
// commands a person's script uses. Pages: line work (pens, joins, caps, dashes, curves), filled
// shapes with solid, hatched and pattern brushes, a clipped page, and a landscape page after a
// ResetDC.
#include "document.h"

namespace printjob {

const std::string& SampleDocumentScript() {
  static const std::string kScript = R"(# printjob sample document
page
page
page
# The last page is landscape, after a ResetDC.
resetdc dmOrientation=2
page
)";
  return kScript;
}

}  // namespace printjob
