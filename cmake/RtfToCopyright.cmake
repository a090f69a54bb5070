# Writes the Debian copyright file from the licence agreement that ships
# beside the programs, so both always say the same.
#
#   cmake -DRTF=<License Agreement.rtf> -DOUTPUT=<copyright> -P RtfToCopyright.cmake
file(READ "${RTF}" rtf)
# Drop the header groups (font and colour tables, document information).
string(REGEX REPLACE "{\\\\(fonttbl|colortbl|info)[^\n]*}\n" "" text "${rtf}")
string(REPLACE "\\'a9" "(c)" text "${text}")
string(REGEX REPLACE "\\\\par([^a-z])" "\n\\1" text "${text}")
string(REGEX REPLACE "\\\\[a-z]+-?[0-9]* ?" "" text "${text}")
string(REGEX REPLACE "[{}]" "" text "${text}")
string(REGEX REPLACE "\n\n+" "\n" text "${text}")
string(STRIP "${text}" text)
# One paragraph line each, blank lines between them as " .".
string(REPLACE "\n" "\n .\n " body "${text}")
file(WRITE "${OUTPUT}"
"Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: Pictarro
Upstream-Contact: Tarnwell Software <support@tarnwell.example>

Files: *
Copyright: 2026 Tarnwell Software
License: Pictarro-freeware

License: Pictarro-freeware
 ${body}
")
