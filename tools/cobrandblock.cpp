#include "tools/cobrandblock.h"

#include <array>
#include <charconv>
#include <cstdio>
#include <functional>
#include <map>
#include <set>

namespace {

constexpr std::size_t MaxShortString = 255;
constexpr std::size_t MaxListEntries = 255;
constexpr std::size_t MaxLogoBytes = 0xFFFFFF;

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
        s.remove_suffix(1);
    }
    return s;
}

std::vector<std::string> splitEntry(std::string_view value) {
    std::vector<std::string> parts;
    for (;;) {
        const auto bar = value.find('|');
        parts.emplace_back(trim(value.substr(0, bar)));
        if (bar == std::string_view::npos) {
            break;
        }
        value.remove_prefix(bar + 1);
    }
    return parts;
}

bool parseUnsigned(std::string_view text, int base, std::uint64_t max, std::uint64_t& out) {
    if (text.empty()) {
        return false;
    }
    std::uint64_t v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v, base);
    if (ec != std::errc() || end != text.data() + text.size() || v > max) {
        return false;
    }
    out = v;
    return true;
}

// "on" is 1, "off" is 2; a number 0-255 is written as it stands.
bool parseSwitch(std::string_view text, std::uint8_t& out) {
    if (text == "on") {
        out = 1;
        return true;
    }
    if (text == "off") {
        out = 2;
        return true;
    }
    std::uint64_t v = 0;
    if (!parseUnsigned(text, 10, 255, v)) {
        return false;
    }
    out = static_cast<std::uint8_t>(v);
    return true;
}

bool parseByte(std::string_view text, std::uint8_t& out) {
    std::uint64_t v = 0;
    if (!parseUnsigned(text, 10, 255, v)) {
        return false;
    }
    out = static_cast<std::uint8_t>(v);
    return true;
}

// "#RRGGBB" becomes the colour value with red in the least significant byte.
bool parseColour(std::string_view text, std::uint32_t& out) {
    std::uint64_t rgb = 0;
    if (text.size() != 7 || text.front() != '#' ||
        !parseUnsigned(text.substr(1), 16, 0xFFFFFF, rgb)) {
        return false;
    }
    const std::uint32_t r = (rgb >> 16) & 0xFF;
    const std::uint32_t g = (rgb >> 8) & 0xFF;
    const std::uint32_t b = rgb & 0xFF;
    out = r | (g << 8) | (b << 16);
    return true;
}

// The description is UTF-8; the block holds single-byte (Latin-1) text.
// Returns false for a character beyond U+00FF or bytes that are not UTF-8.
bool utf8ToLatin1(std::string_view in, std::string& out, std::string& problem) {
    out.clear();
    for (std::size_t i = 0; i < in.size();) {
        const auto c = static_cast<unsigned char>(in[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        int extra = 0;
        std::uint32_t code = 0;
        if ((c & 0xE0) == 0xC0) {
            extra = 1;
            code = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2;
            code = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3;
            code = c & 0x07;
        } else {
            problem = "the text is not UTF-8";
            return false;
        }
        if (i + static_cast<std::size_t>(extra) >= in.size()) {
            problem = "the text is not UTF-8";
            return false;
        }
        for (int k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(in[i + k]);
            if ((next & 0xC0) != 0x80) {
                problem = "the text is not UTF-8";
                return false;
            }
            code = (code << 6) | (next & 0x3F);
        }
        if (code > 0xFF) {
            char hex[16];
            std::snprintf(hex, sizeof hex, "U+%04X", static_cast<unsigned>(code));
            problem = std::string("character ") + hex + " does not fit single-byte text";
            return false;
        }
        out += static_cast<char>(code);
        i += static_cast<std::size_t>(extra) + 1;
    }
    return true;
}

enum class Kind { Switch, String, Byte, Colour };

struct ScalarField {
    const char* name;
    Kind kind;
    std::function<void(CoBrandDescription&, std::string_view)> store;
};

template <class Member>
std::function<void(CoBrandDescription&, std::string_view)> storeIn(Member member, Kind kind) {
    return [member, kind](CoBrandDescription& d, std::string_view v) {
        if constexpr (std::is_same_v<Member, std::string CoBrandDescription::*>) {
            d.*member = std::string(v);
        } else if constexpr (std::is_same_v<Member, std::uint32_t CoBrandDescription::*>) {
            parseColour(v, d.*member);
        } else if (kind == Kind::Switch) {
            parseSwitch(v, d.*member);
        } else {
            parseByte(v, d.*member);
        }
    };
}

const std::vector<ScalarField>& scalarFields() {
    using D = CoBrandDescription;
    static const std::vector<ScalarField> fields = {
        {"LogoEnabled", Kind::Switch, storeIn(&D::logoEnabled, Kind::Switch)},
        {"LinkMenu1Enabled", Kind::Switch, storeIn(&D::linkMenu1Enabled, Kind::Switch)},
        {"HeaderEnabled", Kind::Switch, storeIn(&D::headerEnabled, Kind::Switch)},
        {"TickerEnabled", Kind::Switch, storeIn(&D::tickerEnabled, Kind::Switch)},
        {"SisterLogosEnabled", Kind::Switch, storeIn(&D::sisterLogosEnabled, Kind::Switch)},
        {"LinkMenu2Enabled", Kind::Switch, storeIn(&D::linkMenu2Enabled, Kind::Switch)},
        {"ProxyPromptEnabled", Kind::Switch, storeIn(&D::proxyPromptEnabled, Kind::Switch)},
        {"AdSettingsQueryEnabled", Kind::Switch, storeIn(&D::adSettingsQueryEnabled, Kind::Switch)},
        {"DemoMode", Kind::Switch, storeIn(&D::demoMode, Kind::Switch)},
        {"VersionText", Kind::String, storeIn(&D::versionText, Kind::String)},
        {"WindowTitle", Kind::String, storeIn(&D::windowTitle, Kind::String)},
        {"SiteId", Kind::String, storeIn(&D::siteId, Kind::String)},
        {"DownloadLinkText", Kind::String, storeIn(&D::downloadLinkText, Kind::String)},
        {"AdRequestTemplate", Kind::String, storeIn(&D::adRequestTemplate, Kind::String)},
        {"AdClickTemplate", Kind::String, storeIn(&D::adClickTemplate, Kind::String)},
        {"ViewBanners", Kind::Byte, storeIn(&D::viewBanners, Kind::Byte)},
        {"HeaderHeight", Kind::Byte, storeIn(&D::headerHeight, Kind::Byte)},
        {"AdSlotsPerView", Kind::Byte, storeIn(&D::adSlotsPerView, Kind::Byte)},
        {"HeaderColor", Kind::Colour, storeIn(&D::headerColor, Kind::Colour)},
        {"Logo", Kind::String, storeIn(&D::logoPath, Kind::String)},
        {"LinkFontCharset", Kind::Byte, storeIn(&D::linkFontCharset, Kind::Byte)},
        {"LinkFontColor", Kind::Colour, storeIn(&D::linkFontColor, Kind::Colour)},
        {"LinkFontSize", Kind::Byte, storeIn(&D::linkFontSize, Kind::Byte)},
        {"LinkFontName", Kind::String, storeIn(&D::linkFontName, Kind::String)},
        {"LinkFontPitch", Kind::Byte, storeIn(&D::linkFontPitch, Kind::Byte)},
        {"LinkFontReserved", Kind::Byte, storeIn(&D::linkFontReserved, Kind::Byte)},
        {"LinkFontBold", Kind::Switch, storeIn(&D::linkFontBold, Kind::Switch)},
        {"LinkFontItalic", Kind::Switch, storeIn(&D::linkFontItalic, Kind::Switch)},
        {"LinkFontUnderline", Kind::Switch, storeIn(&D::linkFontUnderline, Kind::Switch)},
        {"LinkFontStrikeOut", Kind::Switch, storeIn(&D::linkFontStrikeOut, Kind::Switch)},
    };
    return fields;
}

std::string checkValue(Kind kind, std::string_view value) {
    std::uint8_t b = 0;
    std::uint32_t c = 0;
    switch (kind) {
    case Kind::Switch:
        return parseSwitch(value, b) ? "" : "expected on, off or a byte 0-255";
    case Kind::Byte:
        return parseByte(value, b) ? "" : "expected a number 0-255";
    case Kind::Colour:
        return parseColour(value, c) ? "" : "expected a colour #RRGGBB";
    case Kind::String:
        return "";
    }
    return "";
}

class BlockWriter {
public:
    void byte(std::uint8_t b) { m_bytes.push_back(b); }
    void bigEndian(std::uint32_t v, int width) {
        for (int i = width - 1; i >= 0; --i) {
            byte(static_cast<std::uint8_t>((v >> (8 * i)) & 0xFF));
        }
    }
    bool string(const char* field, const std::string& s) {
        if (s.size() > MaxShortString) {
            fail(std::string(field) + ": text is " + std::to_string(s.size()) +
                 " bytes, at most 255 fit");
            return false;
        }
        byte(static_cast<std::uint8_t>(s.size()));
        m_bytes.insert(m_bytes.end(), s.begin(), s.end());
        return true;
    }
    bool count(const char* field, std::size_t n) {
        if (n > MaxListEntries) {
            fail(std::string(field) + ": " + std::to_string(n) + " entries, at most 255 fit");
            return false;
        }
        byte(static_cast<std::uint8_t>(n));
        return true;
    }
    void fail(std::string message) {
        if (m_error.empty()) {
            m_error = std::move(message);
        }
    }
    CoBrandBlockResult result() {
        if (!m_error.empty()) {
            return {{}, m_error};
        }
        return {std::move(m_bytes), {}};
    }

private:
    std::vector<std::uint8_t> m_bytes;
    std::string m_error;
};

} // namespace

CoBrandDescriptionResult ParseCoBrandDescription(std::string_view text) {
    CoBrandDescriptionResult result;
    std::map<std::string, const ScalarField*, std::less<>> byName;
    for (const auto& f : scalarFields()) {
        byName.emplace(f.name, &f);
    }
    std::set<std::string, std::less<>> seen;
    int lineNumber = 0;
    auto fail = [&](const std::string& message) {
        result.error = "line " + std::to_string(lineNumber) + ": " + message;
        return result;
    };
    while (!text.empty()) {
        ++lineNumber;
        const auto eol = text.find('\n');
        std::string_view line = text.substr(0, eol);
        text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
        line = trim(line);
        if (line.empty() || line.front() == '#') {
            continue;
        }
        const auto eq = line.find('=');
        if (eq == std::string_view::npos) {
            return fail("expected \"Name = value\"");
        }
        const std::string_view name = trim(line.substr(0, eq));
        const std::string_view value = trim(line.substr(eq + 1));
        if (name == "LinkMenu1" || name == "LinkMenu2" || name == "ToolbarLink") {
            const auto parts = splitEntry(value);
            const std::size_t want = name == "ToolbarLink" ? 4 : 2;
            if (parts.size() != want) {
                return fail(std::string(name) + ": expected " + std::to_string(want) +
                            " parts separated by \"|\", found " + std::to_string(parts.size()));
            }
            std::vector<std::string> texts(parts.size());
            for (std::size_t k = 0; k < parts.size(); ++k) {
                std::string problem;
                if (!utf8ToLatin1(parts[k], texts[k], problem)) {
                    return fail(std::string(name) + ": " + problem);
                }
            }
            auto& d = result.description;
            if (name == "ToolbarLink") {
                d.toolbarLinks.push_back({texts[0], texts[1], texts[2], texts[3]});
            } else {
                (name == "LinkMenu1" ? d.linkMenu1 : d.linkMenu2).push_back({texts[0], texts[1]});
            }
            continue;
        }
        const auto it = byName.find(name);
        if (it == byName.end()) {
            return fail("unknown field \"" + std::string(name) + "\"");
        }
        if (!seen.insert(std::string(name)).second) {
            return fail(std::string(name) + ": given more than once");
        }
        const std::string problem = checkValue(it->second->kind, value);
        if (!problem.empty()) {
            return fail(std::string(name) + ": " + problem + ", found \"" + std::string(value) +
                        "\"");
        }
        if (it->second->kind == Kind::String && name != "Logo") {
            std::string text;
            std::string problem;
            if (!utf8ToLatin1(value, text, problem)) {
                return fail(std::string(name) + ": " + problem);
            }
            it->second->store(result.description, text);
        } else {
            it->second->store(result.description, value);
        }
    }
    for (const auto& f : scalarFields()) {
        if (!seen.contains(f.name)) {
            result.error = std::string(f.name) + ": missing from the description";
            return result;
        }
    }
    return result;
}

CoBrandBlockResult EncodeCoBrandBlock(const CoBrandDescription& d) {
    BlockWriter w;
    for (const std::uint8_t s :
         {d.logoEnabled, d.linkMenu1Enabled, d.headerEnabled, d.tickerEnabled, d.sisterLogosEnabled,
          d.linkMenu2Enabled, d.proxyPromptEnabled, d.adSettingsQueryEnabled, d.demoMode}) {
        w.byte(s);
    }
    w.string("VersionText", d.versionText);
    w.string("WindowTitle", d.windowTitle);
    w.string("SiteId", d.siteId);
    w.string("DownloadLinkText", d.downloadLinkText);
    w.string("AdRequestTemplate", d.adRequestTemplate);
    w.string("AdClickTemplate", d.adClickTemplate);
    w.byte(d.viewBanners);
    w.byte(d.headerHeight);
    w.byte(d.adSlotsPerView);
    w.bigEndian(d.headerColor, 4);
    if (d.logo.size() > MaxLogoBytes) {
        w.fail("Logo: " + std::to_string(d.logo.size()) +
               " bytes, at most 16777215 fit in the length field");
    } else {
        w.bigEndian(static_cast<std::uint32_t>(d.logo.size()), 3);
        for (const auto b : d.logo) {
            w.byte(b);
        }
    }
    w.byte(d.linkFontCharset);
    w.bigEndian(d.linkFontColor, 4);
    w.byte(d.linkFontSize);
    w.string("LinkFontName", d.linkFontName);
    w.byte(d.linkFontPitch);
    w.byte(d.linkFontReserved);
    w.byte(d.linkFontBold);
    w.byte(d.linkFontItalic);
    w.byte(d.linkFontUnderline);
    w.byte(d.linkFontStrikeOut);
    if (w.count("LinkMenu1", d.linkMenu1.size())) {
        for (const auto& e : d.linkMenu1) {
            w.string("LinkMenu1 caption", e.caption);
            w.string("LinkMenu1 address", e.address);
        }
    }
    if (w.count("ToolbarLink", d.toolbarLinks.size())) {
        for (const auto& e : d.toolbarLinks) {
            w.string("ToolbarLink caption", e.caption);
            w.string("ToolbarLink address", e.address);
            w.string("ToolbarLink left", e.left);
            w.string("ToolbarLink top", e.top);
        }
    }
    if (w.count("LinkMenu2", d.linkMenu2.size())) {
        for (const auto& e : d.linkMenu2) {
            w.string("LinkMenu2 caption", e.caption);
            w.string("LinkMenu2 address", e.address);
        }
    }
    return w.result();
}

PackagedImageResult PackageImage(const std::vector<std::uint8_t>& image,
                                 const std::vector<std::uint8_t>& block, std::uint64_t offset) {
    if (image.size() > offset) {
        return {{},
                "the image is " + std::to_string(image.size()) +
                    " bytes, larger than the block offset " + std::to_string(offset) +
                    "; raise the offset (BBSTATS_BLOCK_OFFSET) or shrink the image"};
    }
    PackagedImageResult result;
    result.bytes.reserve(offset + block.size());
    result.bytes = image;
    result.bytes.resize(offset, 0);
    result.bytes.insert(result.bytes.end(), block.begin(), block.end());
    return result;
}
