#include "mainwindow/instructionstext.h"

#include <QStringList>

namespace {

// Paragraphs are single lines; the window wraps them to its width.
constexpr const char* Instructions[] = {
    "BASEBALL DATABASE FOR THE INTERNET - INSTRUCTIONS AND TUTORIAL",
    "",
    "FOR WEB SITE OWNERS",
    "",
    "Would you like these databases on your own web site? We make co-branded copies for web "
    "sites of every size: your logo and colours in the header, your site's name in the title "
    "bar, menus and toolbar links that lead your visitors back to the pages of your site, and "
    "the same all-time statistics underneath. Your visitors download your copy from your site. "
    "Write to us (the address is in the About box) to ask about a copy of your own.",
    "",
    "A NOTE ON MEMORY",
    "",
    "The program keeps every page of records that you have looked at in memory, so that "
    "scrolling back is quick. The caches are large: a database window that has been scrolled "
    "through many thousands of records uses a good deal of memory, and every open database "
    "window adds its own. If your computer slows down, close the database windows you no "
    "longer need. Each database can be open in only one window at a time.",
    "",
    "QUICK TUTORIAL",
    "",
    "1. Be online. The records live on our statistics servers and every screenful is fetched "
    "from them as you need it; without an internet connection the databases cannot be shown.",
    "",
    "2. The menu bar. \"Baseball Statistics\" opens the four databases: Batters, Pitchers, "
    "Fielders and Teams. \"Select\", \"Sort\", \"Limit\" and \"Reset\" work on the database "
    "window that is active (the one in front). \"Instructions\" shows this text, \"Options\" "
    "holds the colour options, the column and print commands, the data sources and the "
    "statistics definitions, and \"Window\" arranges the open windows. Select, Sort, Limit "
    "and Reset stay greyed out until a database window is open.",
    "",
    "3. Opening a database. Choose Baseball Statistics, then Batters. A window opens with one "
    "line per player per team per season, in order of player name, then year. While the "
    "program waits for the server a small animation plays at the bottom of the window and "
    "the mouse pointer turns into an hourglass. When the records arrive, \"Total Lines:\" at "
    "the bottom tells you how many records the database holds under your current choices; "
    "the last line of the grid shows the totals of all of them.",
    "",
    "4. Sort example. With the Batters window in front, click Sort. In \"1st Field\" choose "
    "\"HR  - Home Runs\" and click Descending, then OK. The best home run seasons of all time "
    "are now at the top. To see the home run leaders of each season instead, choose \"Year\" "
    "Ascending as the 1st field and \"HR  - Home Runs\" Descending as the 2nd field.",
    "",
    "5. Select example. Click Select, then Year. A list of every season in the database "
    "appears. Click 1927 (each click ticks or unticks one line; you can tick as many lines as "
    "you like) and press OK. Only the 1927 seasons remain. Now click Select, then Team, and "
    "tick New York Yankees: the list offers only the teams that played in 1927, and after OK "
    "only the 1927 Yankees remain, because selections add up.",
    "",
    "6. Limit example. Click Limit, choose \"AB  - At Bats\", type 400 as the Minimum Value "
    "and leave 9999 as the Maximum Value, then OK. Only the seasons with at least 400 at bats "
    "remain. Sort by \"AVG - Batting Average\" Descending and you have the batting leaders "
    "among the regulars.",
    "",
    "7. Reset example. Click Reset. Every selection and limit is removed, the sort goes back "
    "to the normal order, and the whole database is shown again from where you are.",
    "",
    "DATABASE TIDBITS AND HINTS",
    "",
    "- Colour options: lines of the grid are drawn in two alternating colours, in bands. "
    "Under Options, Color options you choose what starts a new band (player, team or year; "
    "in the Teams database team, year, division or league; in the Fielders database also "
    "position) and pick the two colours from sixteen.",
    "",
    "- Arranging windows: you can have all four databases open at once. The Window menu "
    "tiles them one above the other, cascades them, or lines up the minimised ones at the "
    "bottom, and lists the open windows so you can bring any of them to the front.",
    "",
    "- Hiding columns: double-click a column to hide it. Options, Unhide Columns lists the "
    "hidden columns and brings back the ones you choose, or all of them. A hidden column "
    "still takes part in sorting, selecting and limiting.",
    "",
    "- Keyboard: the arrow keys move one cell at a time. Page Up and Page Down move a "
    "screenful of records, Home and End jump to the first and last column, Ctrl with the "
    "arrow keys moves to the edges of the grid, Ctrl-Home jumps to the first record and "
    "Ctrl-End to the last line.",
    "",
    "- Sizing columns: drag the line between two column headings to make a column wider or "
    "narrower.",
    "",
    "- Data sources: Options, Data sources lists where the statistics come from.",
    "",
    "- Statistics definitions: Options, Statistics Definitions explains every column of each "
    "database and how the averages are computed.",
    "",
    "- Select lists: type the first letter of a name to jump to the first line that starts "
    "with it. A list only offers what is present under the selections already made, and the "
    "number of lines listed and ticked is shown under it.",
    "",
    "- Years: a season is always written with all four digits, 1871 to the latest season: "
    "type 1961, not 61.",
    "",
    "- Reset takes back all selections and limits at once and restores the normal order. "
    "Your hidden columns and colours stay as they are.",
    "",
    "- Sort keys: Sort takes up to four fields, each ascending or descending. Records that "
    "agree in the 1st field are ordered by the 2nd, then the 3rd, then the 4th. The dialog "
    "remembers your last choice unless you tick \"Erase last sort setting\". You can also click "
    "a column title to sort by it (click again to turn the order; Shift+click adds it as the "
    "next key); the titles show an arrow and, with several keys, each key's number.",
    "",
    "- Limit on text: a text field such as a player or team name is limited by alphabetical "
    "range. To keep the names that start with a few letters, type those letters as the "
    "minimum and the same letters followed by the letter z as the maximum: Minimum \"Ma\", "
    "Maximum \"Maz\" keeps every name that begins with \"Ma\".",
    "",
    "- One-letter fields such as Bats and Throws are case sensitive: type L, R or S in "
    "capitals.",
    "",
    "- Averages and percentages need their decimal point: to keep batting averages of .300 "
    "and better, type .300 as the minimum and 1 as the maximum. An earned run average under "
    "three is Minimum 0, Maximum 2.99.",
    "",
    "- Limits add up: every Limit narrows the records further until you Reset.",
    "",
    "PRINTING",
    "",
    "Options, Print prints the records that the active database window shows on the screen. "
    "In the Print Options dialog you choose the columns: move them from Available Columns to "
    "Columns to Print with the arrow buttons, in the order you want them on paper. The number "
    "next to each column is its print width in characters; click it to change it.",
    "",
    "Save Print Settings stores your choice of columns and widths in a file, and Load Print "
    "Settings brings it back later: batters settings are kept in *.BSB files, pitchers in "
    "*.BSP, fielders in *.BSF and teams in *.BST files.",
    "",
    "Printer Setup chooses the printer (where one is installed), then the paper size, the "
    "orientation and the margins, also when the print goes to a PDF file. Print Preview "
    "shows the page before it is printed, names the paper and the number of pages, and has "
    "a ruler across the top that marks where 80 characters (a portrait page) and 132 "
    "characters (a landscape page) end.",
    "",
    "\"Fit to page\" makes the line at least as wide as the \"Minimum characters per line\" "
    "(80 unless you change it), or wider when the chosen columns need more, and fills the "
    "width of the paper with it. \"Don't fit to page\" prints the number of characters set "
    "as the \"Maximum characters per line\"; if the chosen columns need more, the program "
    "asks you to remove some columns or to choose \"Fit to page\". The more characters per "
    "line, the smaller the print.",
    "",
    "EXPORT, COPY, UNDO AND SHORTCUTS",
    "",
    "Options, Export to CSV (Ctrl+E) writes every record of the active window's query, not "
    "only the rows on the screen, to a CSV file that spreadsheets open: the columns the "
    "window shows, in its order and sort.",
    "",
    "Ctrl+C copies the selected rows (or the current row) with the column titles, ready to "
    "paste into a spreadsheet. Drag over rows, or hold Shift, to select several.",
    "",
    "Ctrl+Z undoes the last Sort, Select, Limit or Reset of the window and fetches its "
    "records again.",
    "",
    "Ctrl+P prints (Options, Print).",
    "",
    "Click a column with the right mouse button (or press the menu key) for its context "
    "menu: sort by that column ascending or descending, add it as the next sort key, limit "
    "it, hide it, unhide columns, copy, export, choose the lines, undo, or chart it.",
    "",
    "Under the record count each database window states its query in words, for example "
    "\"HR descending, then Year ascending; Team: New York Yankees; Year 1950 to 1959\". "
    "Rest the mouse on it to read all of it.",
    "",
    "LINES AND THE QUALIFIER",
    "",
    "Options, Lines chooses what one line of the Batters, Pitchers or Fielders window stands "
    "for. \"Per team\" is one line per player per team per season, as the records are "
    "kept. \"Per season\" adds up the teams of a season: a player traded in July gets one "
    "line with the team code TOT and the number of teams in the team name. \"Per career\" "
    "is one line per player (per position in the Fielders database) over the seasons you "
    "have selected; the year is his first season and the team name his span.",
    "",
    "The counts of a combined line are added up and its averages worked out again from the "
    "sums. Select chooses the seasons and teams that go into a line; Limit then works on "
    "the combined lines, so Per career with Limit HR from 500 is the 500 home run club.",
    "",
    "\"Qualified only\" (Batters and Pitchers, by season or team) keeps the lines that "
    "qualify for the batting or earned run average title of their season: 3.1 plate "
    "appearances per scheduled game for a batter (502 in a 162-game season), one inning per "
    "scheduled game for a pitcher. Each window keeps its own choice; the Teams database has "
    "no lines to choose.",
    "",
    "Options, More columns adds OPS, OPS+, ERA+, WHIP, strikeouts and walks per nine innings, "
    "the player's age and more after the window's columns, and the rank of each line at the "
    "left; sort, limit, print and export them like any column. It is off until you turn it "
    "on, each window on its own.",
    "",
    "CHARTS",
    "",
    "Options, Chart draws a column of the active window, or choose \"Chart\" at the end of a "
    "column's context menu. With one to six players selected you get a line over the years "
    "for each of them, a point a season. Otherwise the chart shows the first 25 lines of "
    "the window as bars, in the window's order, labelled by player and year (\"Bonds, Barry "
    "2001\") or team and year. Rest the mouse on a bar or a point to read its value.",
    "",
    "\"Column\" in the chart window charts another column. The chart follows its database "
    "window: after a Sort, Select, Limit, Reset or undo there it is drawn again, and it "
    "closes with the window. A missing value (---) is a gap in a line or an empty bar, never "
    "a zero. Export PNG and Export SVG save the picture, named after what it shows "
    "(\"batters-hr.png\"); Copy puts it on the clipboard. Every picture carries the data's "
    "attribution line.",
    "",
    "QUERY STEPS",
    "",
    "Options, Query steps (also in a column's context menu, or click the query in words "
    "under the grid) lists each step of the active window's query in the order the service "
    "applies it: the selections, then the lines and \"Qualified only\", then the limits, "
    "then the sort keys, each with the number of lines left after it (\"128,598 -> 6,148 "
    "-> 291\"). Press Delete to take out the current step and keep the others, or Enter to "
    "change a limit's bounds or a selection's items in place. Ctrl+Z brings a step back.",
    "",
    "FINDING A PLAYER",
    "",
    "Baseball Statistics, Find player (Ctrl+F) finds a player as you type any words of his "
    "name (\"babe ruth\", \"george herman\"). Enter opens his page: his facts, every "
    "season, the teams of a traded season under its TOT line, and his career line. \"Select "
    "in the active window\" selects him in the Batters, Pitchers or Fielders window, and a "
    "column's context menu offers the page of the line's player.",
    "",
    "QUERY FILES",
    "",
    "Options, Save query (Ctrl+S) keeps the query of the active window in a small file: the "
    "database, the sort, the selections and limits, the lines and \"Qualified only\", the "
    "hidden columns and the colours. Options, Open query (Ctrl+O) opens the database with that "
    "query again, or "
    "gives it to the window already open. A file with a mistake in it changes nothing; the "
    "message names the line. Players or teams the data no longer has are listed after the "
    "window opens.",
    "",
    "Your files start out in your Documents folder; after that each file dialog opens in "
    "the folder you used last.",
    "",
    "PROXY SETTINGS",
    "",
    "If your connection to the internet goes through a proxy server, Options, Change proxy "
    "settings takes its address, port, user name and password, and whether to use it. The "
    "settings are kept for the next time you start the program.",
};

} // namespace

QString instructionsText() {
    QStringList lines;
    for (const char* line : Instructions) {
        lines.append(QString::fromLatin1(line));
    }
    return lines.join(QLatin1Char('\n'));
}
