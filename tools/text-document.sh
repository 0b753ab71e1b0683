#!/bin/bash
# Prints a printjob drawing script of a Letter text document: on each page 55 lines of 12 words
# in one TrueType face at 10 pt, a thin rule, a grey box and a circle. The words cycle through a
# fixed list, so every run prints the same document.
#   tools/text-document.sh PAGES > doc.txt
set -euo pipefail
pages=${1:?usage: text-document.sh PAGES}
awk -v pages="$pages" 'BEGIN {
  n = split("the quick brown fox jumps over a lazy dog while seven pale grey printers hum along " \
            "their queues of letters invoices and reports for morning", words, " ")
  k = 0
  for (p = 0; p < pages; ++p) {
    print "page"
    if (p == 0) print "font \"Liberation Serif\" 83"
    for (line = 0; line < 55; ++line) {
      text = ""
      for (w = 0; w < 12; ++w) { text = text (w ? " " : "") words[k % n + 1]; k += 7 }
      k += 3
      printf "text 300 %d \"%s\"\n", 400 + line * 100, text
    }
    print "pen solid 2"
    print "moveto 300 6000"
    print "lineto 4800 6000"
    print "brush solid lightgray"
    print "rect 300 6100 1500 6600"
    print "ellipse 3000 6100 3500 6600"
  }
}'
