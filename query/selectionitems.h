#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <QString>
#include <QStringList>

#include "databases/databaseinfo.h"
#include "protocol/pagerequest.h"

// One kind of selection: the pick list it asks for, the letter its items
// carry, whether it puts the plain sort back, and the word of its caption.
struct SelectKind {
    ListKind list;
    char itemLetter;
    bool resetsSort;
    const char* captionWord;
};

// The Select command kinds.
enum class SelectWhat { Player, Team, Year, League, Position };

// The table row of `what`.
SelectKind SelectKindOf(SelectWhat what);

// "Baseball Batters - Select Team" and the like; nothing for a kind the
// database does not offer (Teams players, positions outside Fielders).
std::optional<QString> SelectCaption(DatabaseKind database, SelectWhat what);

// The items of one selection group: the letter before each ticked line, in
// the given order (the group end is added on appending).
std::vector<std::string> SelectionGroup(char itemLetter, const std::vector<std::string>& ticked);

// The limit item "E" field "!" min "!" max "!"; the bounds exactly as typed,
// the item cut to 50 characters.
std::string LimitItem(int field, const QString& minimum, const QString& maximum);

// How the service orders the values of a limit field: as numbers, as names
// (letters without case, accented Latin letters as their base letter), or
// byte for byte (the one-letter fields: bats, throws).
enum class LimitOrder { Number, Text, Exact };

// Why a pair of limit bounds is refused, or an empty text when they are
// accepted: a "!" would shift the fields of the item; a bound of a numeric
// field that is not a number ("'abc' is not a number"); a minimum above the
// maximum ("from 99 is above to 40") in the field's own order, so that only
// a range the service would find empty is refused. An empty bound is open.
QString LimitBoundsError(const QString& minimum, const QString& maximum,
                         LimitOrder order = LimitOrder::Text);

// The order of limit field `field` of `database`.
LimitOrder LimitFieldOrder(DatabaseKind database, int field);

// Whether limit field `field` of `database` holds numbers (years, counts,
// averages) rather than texts (names, codes, leagues, positions).
bool LimitFieldIsNumeric(DatabaseKind database, int field);

// The name order of LimitOrder::Text over UTF-8 texts: <0, 0 or >0.
int CompareNames(std::string_view a, std::string_view b);

// "Baseball Batters - Limit Options" and the like.
QString LimitCaption(DatabaseKind database);

// Message shown when a group would take the selection past its 500 items.
QString SelectionFullMessage();

// Short name of a database in captions: "Batters", "Pitchers", ...
QString DatabaseWord(DatabaseKind database);
