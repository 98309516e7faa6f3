#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// One entry of a link menu: its caption and the address it opens.
struct CoBrandMenuLink {
    std::string caption;
    std::string address;
};

// One link on the header band; left and top stay text, as the block keeps them.
struct CoBrandToolbarLink {
    std::string caption;
    std::string address;
    std::string left;
    std::string top;
};

// Every field of a co-brand block as the packer writes it. Switches are raw
// bytes (1 on, 2 off) so that any byte can be written for tests.
struct CoBrandDescription {
    std::uint8_t logoEnabled = 2;
    std::uint8_t linkMenu1Enabled = 2;
    std::uint8_t headerEnabled = 2;
    std::uint8_t tickerEnabled = 2;
    std::uint8_t sisterLogosEnabled = 2;
    std::uint8_t linkMenu2Enabled = 2;
    std::uint8_t proxyPromptEnabled = 2;
    std::uint8_t adSettingsQueryEnabled = 2;
    std::uint8_t demoMode = 2;
    std::string versionText;
    std::string windowTitle;
    std::string siteId;
    std::string downloadLinkText;
    std::string adRequestTemplate;
    std::string adClickTemplate;
    std::uint8_t viewBanners = 0;
    std::uint8_t headerHeight = 0;
    std::uint8_t adSlotsPerView = 0;
    std::uint32_t headerColor = 0;
    std::string logoPath; // as written in the description, relative to it
    std::vector<std::uint8_t> logo;
    std::uint8_t linkFontCharset = 0;
    std::uint32_t linkFontColor = 0;
    std::uint8_t linkFontSize = 0;
    std::string linkFontName;
    std::uint8_t linkFontPitch = 0;
    std::uint8_t linkFontReserved = 0;
    std::uint8_t linkFontBold = 2;
    std::uint8_t linkFontItalic = 2;
    std::uint8_t linkFontUnderline = 2;
    std::uint8_t linkFontStrikeOut = 2;
    std::vector<CoBrandMenuLink> linkMenu1;
    std::vector<CoBrandToolbarLink> toolbarLinks;
    std::vector<CoBrandMenuLink> linkMenu2;
};

// Outcome of reading a description: the fields, or a message naming the
// offending field (and line) when `error` is not empty.
struct CoBrandDescriptionResult {
    CoBrandDescription description;
    std::string error;
    bool ok() const { return error.empty(); }
};

// Outcome of encoding: the block bytes, or a message naming the field that
// does not fit the block format.
struct CoBrandBlockResult {
    std::vector<std::uint8_t> bytes;
    std::string error;
    bool ok() const { return error.empty(); }
};

// Reads a readable "Name = value" description (see resources/cobrand.txt).
// Every single-valued field must appear exactly once; list entries appear
// zero or more times, in order. The logo file is not read here.
CoBrandDescriptionResult ParseCoBrandDescription(std::string_view text);

// Lays out the 34 fields in block order. Refuses a string over 255 bytes, a
// list over 255 entries and a logo over 16,777,215 bytes, naming the field.
CoBrandBlockResult EncodeCoBrandBlock(const CoBrandDescription& description);

// Outcome of packaging: the bytes of the packaged executable or a message.
struct PackagedImageResult {
    std::vector<std::uint8_t> bytes;
    std::string error;
    bool ok() const { return error.empty(); }
};

// Places `block` at `offset` after `image`, filling the gap with zero bytes.
// Fails when the image does not end at or before the offset.
PackagedImageResult PackageImage(const std::vector<std::uint8_t>& image,
                                 const std::vector<std::uint8_t>& block, std::uint64_t offset);
