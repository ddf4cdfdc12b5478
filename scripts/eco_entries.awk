# Splits Debian's scid.eco into its entries for the scripts that build on it: an entry is
# code "name" moves... "*", possibly over several lines; "#" starts a comment. Prints
# one line per entry: the code, the name and the moves (trimmed), separated by tabs.
/^#/ { next }
{
  text = text " " $0
  while ((star = index(text, "*")) > 0) {
    entry = substr(text, 1, star - 1)
    text = substr(text, star + 1)
    if (match(entry, /"[^"]*"/) == 0) continue
    name = substr(entry, RSTART + 1, RLENGTH - 2)
    split(substr(entry, 1, RSTART - 1), head, " ")
    moves = substr(entry, RSTART + RLENGTH)
    gsub(/^[ \t]+|[ \t]+$/, "", moves)
    printf "%s\t%s\t%s\n", head[1], name, moves
  }
}
