// cobrand-pack: writes a co-brand block from a readable description and a BMP
// logo, and appends it to a built client at the block offset.
//
//   cobrand-pack --offset N DESCRIPTION IMAGE OUTPUT
//
// IMAGE must already be stripped (stripping would drop an appended block).
// OUTPUT is written as a new file next to it and then renamed into place, so
// a running or half-written client is never overwritten in place.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "tools/cobrandblock.h"

namespace fs = std::filesystem;

namespace {

bool readFile(const fs::path& path, std::vector<std::uint8_t>& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

int fail(const std::string& message) {
    std::cerr << "cobrand-pack: " << message << '\n';
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::uint64_t offset = 0;
    bool haveOffset = false;
    std::vector<std::string> files;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--offset" && i + 1 < args.size()) {
            try {
                std::size_t used = 0;
                offset = std::stoull(args[i + 1], &used);
                haveOffset = used == args[i + 1].size();
            } catch (const std::exception&) {
                haveOffset = false;
            }
            if (!haveOffset) {
                return fail("--offset needs a byte count, found \"" + args[i + 1] + "\"");
            }
            ++i;
        } else {
            files.push_back(args[i]);
        }
    }
    if (!haveOffset || files.size() != 3) {
        std::cerr << "usage: cobrand-pack --offset N DESCRIPTION IMAGE OUTPUT\n";
        return 2;
    }
    const fs::path descriptionPath = files[0];
    const fs::path imagePath = files[1];
    const fs::path outputPath = files[2];

    std::vector<std::uint8_t> text;
    if (!readFile(descriptionPath, text)) {
        return fail("cannot read description " + descriptionPath.string());
    }
    auto parsed = ParseCoBrandDescription(
        std::string_view(reinterpret_cast<const char*>(text.data()), text.size()));
    if (!parsed.ok()) {
        return fail(descriptionPath.string() + ": " + parsed.error);
    }
    CoBrandDescription& description = parsed.description;
    if (!description.logoPath.empty()) {
        const fs::path logoPath = descriptionPath.parent_path() / description.logoPath;
        if (!readFile(logoPath, description.logo)) {
            return fail("Logo: cannot read " + logoPath.string());
        }
        if (description.logo.size() < 2 || description.logo[0] != 'B' ||
            description.logo[1] != 'M') {
            return fail("Logo: " + logoPath.string() + " is not a BMP file");
        }
    }
    const auto block = EncodeCoBrandBlock(description);
    if (!block.ok()) {
        return fail(descriptionPath.string() + ": " + block.error);
    }

    std::vector<std::uint8_t> image;
    if (!readFile(imagePath, image)) {
        return fail("cannot read image " + imagePath.string());
    }
    const auto packaged = PackageImage(image, block.bytes, offset);
    if (!packaged.ok()) {
        return fail(imagePath.string() + ": " + packaged.error);
    }

    const fs::path partial = outputPath.string() + ".partial";
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(packaged.bytes.data()),
                  static_cast<std::streamsize>(packaged.bytes.size()));
        out.close();
        if (!out) {
            std::error_code ignored;
            fs::remove(partial, ignored);
            return fail("cannot write " + partial.string());
        }
    }
    std::error_code ec;
    fs::permissions(partial,
                    fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                        fs::perms::others_read | fs::perms::others_exec,
                    ec);
    if (!ec) {
        fs::rename(partial, outputPath, ec);
    }
    if (ec) {
        std::error_code ignored;
        fs::remove(partial, ignored);
        return fail("cannot place " + outputPath.string() + ": " + ec.message());
    }
    return 0;
}
