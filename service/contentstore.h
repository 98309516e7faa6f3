#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace bbstatsd {

// The files of a content folder (version table, update text, ad settings, news lists and pages,
// banners), read once into memory so that answering never touches the disk.
class ContentStore {
public:
    static constexpr std::size_t FileCap = 4u << 20;

    // Reads every regular file under dir (relative names with "/"). Throws std::runtime_error
    // naming the folder or file when dir is missing or a file cannot be read or exceeds FileCap.
    explicit ContentStore(const std::string& dir);

    // The bytes of the file at a relative name such as "news/home.html"; nullptr when absent.
    const std::string* file(std::string_view name) const;

    // Relative names of the files under folder (e.g. "ads/") ending in suffix, sorted.
    std::vector<std::string> namesUnder(std::string_view folder, std::string_view suffix) const;

    // The folder the files were read from.
    const std::string& dir() const { return m_dir; }

private:
    std::string m_dir;
    std::map<std::string, std::string, std::less<>> m_files;
};

} // namespace bbstatsd
