# The batters of one season (-v year=YYYY) from People.csv and Batting.csv,
# one line each: name|year|team|HR|AB|H|AVG|stint, AVG = H/AB rounded half up
# to three decimals, as shown, empty without at bats.
function csv(line, f,    n, i, c, q, v) {
    n = 0; v = ""; q = 0
    for (i = 1; i <= length(line); i++) {
        c = substr(line, i, 1)
        if (c == "\"") q = !q
        else if (c == "," && !q) { f[++n] = v; v = "" }
        else v = v c
    }
    f[++n] = v
    return n
}
{ sub(/\r$/, "") }
FNR == 1 { n = csv($0, h); for (i = 1; i <= n; i++) col[FILENAME, h[i]] = i; next }
FILENAME ~ /People\.csv$/ {
    csv($0, f)
    first = f[col[FILENAME, "nameFirst"]]
    name[f[col[FILENAME, "playerID"]]] = f[col[FILENAME, "nameLast"]] (first == "" ? "" : ", " first)
    next
}
{
    csv($0, f)
    if (f[col[FILENAME, "yearID"]] != year) next
    ab = f[col[FILENAME, "AB"]]; hits = f[col[FILENAME, "H"]]
    # Thousandths: (2000 H + AB) / (2 AB) cut to a whole number, exact in doubles.
    th = (ab != "" && hits != "" && ab + 0 > 0) ? int((2000 * hits + ab) / (2 * ab)) : -1
    avg = th >= 0 ? sprintf("%d.%03d", int(th / 1000), th % 1000) : ""
    printf "%s|%s|%s|%s|%s|%s|%s|%s\n", name[f[col[FILENAME, "playerID"]]],
        f[col[FILENAME, "yearID"]], f[col[FILENAME, "teamID"]], f[col[FILENAME, "HR"]],
        ab, hits, avg, f[col[FILENAME, "stint"]]
}
