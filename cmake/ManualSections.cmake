# Run as cmake -DPAGE=... -P: help2man makes a section of the manual only of
# the headings it knows (Options, Files, Examples) and a subsection of every
# other; the help's own headings (Formats, History, Exit status) become
# sections of their own here.
file(READ ${PAGE} text)
string(REGEX MATCHALL "\\.SS \"[^\"]+:\"" headings "${text}")
foreach(heading IN LISTS headings)
  string(REGEX REPLACE "\\.SS \"([^\"]+):\"" "\\1" name "${heading}")
  string(TOUPPER "${name}" name)
  string(REPLACE "${heading}" ".SH ${name}" text "${text}")
endforeach()
file(WRITE ${PAGE} "${text}")
