// The built-in sample document, written in the drawing script so that it prints through the same
// commands a person's script uses. Pages: line work (pens, joins, caps, dashes, curves), filled
// shapes with solid, hatched and pattern brushes, a clipped page, an image page (sample_images.cpp),
// and a landscape page after a ResetDC.
#include "document.h"

namespace printjob {

const std::string& SampleDocumentScript() {
  static const std::string kScript = std::string(R"(# printjob sample document
page
# Page 1: lines and curves.
pen solid 1
moveto 0.5in 0.5in
lineto 7in 0.5in
pen solid 12 geometric join=round cap=round
polyline 0.5in 1in 2in 1.6in 3.5in 1in 5in 1.6in 6.5in 1in
pen solid 24 #404040 join=miter cap=flat
polyline 0.5in 2.2in 1.5in 2.8in 2.5in 2.2in
pen solid 24 #404040 join=bevel cap=square
polyline 3.5in 2.2in 4.5in 2.8in 5.5in 2.2in
pen dash 1
moveto 0.5in 3.2in
lineto 7in 3.2in
pen dot 1
moveto 0.5in 3.4in
lineto 7in 3.4in
pen dashdot 1
moveto 0.5in 3.6in
lineto 7in 3.6in
pen user 6 dash=60,20,10,20
moveto 0.5in 3.8in
lineto 7in 3.8in
pen solid 4
bezier 0.5in 5in 2in 4in 3.5in 6in 5in 5in
arc 5.5in 4.2in 7in 5.7in 7in 4.95in 5.5in 4.95in
ellipse 0.5in 6.5in 3in 8in

page
# Page 2: filled shapes with solid, hatched and pattern brushes.
pen solid 3
brush solid #C0C0C0
rect 0.5in 0.5in 3.5in 2.5in
brush hatch cross black
roundrect 4in 0.5in 7in 2.5in 0.5in 0.5in
brush hatch fdiagonal #202020
ellipse 0.5in 3in 3.5in 5in
bkmode transparent
brush hatch diagcross black
polygon 5.5in 3in 7in 5in 4in 5in
bkmode opaque
brush pattern AA55AA55AA55AA55
pie 0.5in 5.5in 3.5in 8.5in 3.5in 7in 2in 5.5in
fillmode winding
brush solid gray
polygon 4.5in 5.5in 5.5in 8.5in 4in 6.5in 7in 6.5in 4.5in 8.5in
brush hatch horizontal black
chord 5.5in 8.6in 7in 9.8in 7in 9.2in 5.5in 9.2in

page
# Page 3: a clip; the bands are cut to the clipped rectangle, then to a triangle.
clip rect 1in 1in 6in 4in
brush hatch vertical black
rect 0.5in 0.5in 7in 4.5in
pen solid 8
moveto 0.5in 0.5in
lineto 7in 4.5in
clip polygon 1in 5in 6in 5in 3.5in 9in
brush solid #808080
ellipse 0.5in 4.5in 7in 9.5in
clip none
beginpath
moveto 6.5in 5in
lineto 7.5in 6in
lineto 6.5in 7in
closefigure
endpath
brush hatch bdiagonal black
strokeandfillpath

)") + SampleImagePageScript() + R"(
# Page 5: landscape after a ResetDC.
resetdc dmOrientation=2
page
pen solid 6
brush hatch cross black
rect 0.5in 0.5in 10in 2in
brush solid lightgray
ellipse 0.5in 2.5in 10in 7in
)";
  return kScript;
}

}  // namespace printjob
