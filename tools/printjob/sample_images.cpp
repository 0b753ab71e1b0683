// The image page of the sample document: what the image entry points of the renderer are given
// by an ordinary application, drawn from pictures printjob makes itself.
#include "document.h"

namespace printjob {

const std::string& SampleImagePageScript() {
  static const std::string kScript = R"(# Images: an 8-bit grey photograph, 1-bit line art, a stretched and a mirrored colour
# picture, two gradients, a transparent blit and raster-operation fills.
page
image sample:photo 0.5in 0.5in 4in 2.67in
image sample:lineart 5in 0.5in 2.5in 1.5in
stretchmode coloroncolor
image sample:colour 0.5in 3.5in 3in 2in
image sample:colour 7in 3.5in -3in 2in
gradient 0.5in 6in 3in 1in black white h
gradient 4in 6in 3in 1.5in white gray triangle
transparentblt sample:colour 0.5in 8in 2in 1.25in blue
patblt 3in 8in 2in 1in dstinvert
patblt 5.5in 8in 1.5in 1in blackness
)";
  return kScript;
}

}  // namespace printjob
