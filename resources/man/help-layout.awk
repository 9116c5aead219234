# SPDX-License-Identifier: GPL-3.0-or-later
# Lays a program's --help out as help2man reads it, for the manual page only: an entry of the
# command list (a line indented by two spaces) gets its synopsis on one line, however many lines
# it takes on a terminal, and its description indented by 22 spaces under it, so that help2man
# makes a tagged paragraph of each. Other lines pass unchanged. (POSIX awk: no {m,n} intervals.)
function flush() {
    if (synopsis != "") printf "%s\n%s", synopsis, description
    synopsis = description = ""
}
{
    indent = match($0, /[^ ]/) - 1
    text = substr($0, indent + 1)
}
indent == 2 && text !~ /^-/ {
    flush()
    synopsis = $0
    # "  demo DIR    make a demo ...": the description starts on the synopsis's line.
    if (match(synopsis, /[^ ]   +[^ ]/)) {
        rest = substr(synopsis, RSTART + 1)
        sub(/^ +/, "", rest)
        description = sprintf("%22s%s\n", "", rest)
        synopsis = substr(synopsis, 1, RSTART)
    }
    next
}
synopsis != "" && description == "" && indent > 2 && indent < 14 {
    synopsis = synopsis " " text
    next
}
synopsis != "" && indent == 14 {
    description = description sprintf("%22s%s\n", "", text)
    next
}
{
    flush()
    print
}
END { flush() }
