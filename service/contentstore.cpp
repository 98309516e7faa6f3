#include "service/contentstore.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace bbstatsd {

namespace fs = std::filesystem;

ContentStore::ContentStore(const std::string& dir) : m_dir(dir) {
    std::error_code error;
    if (!fs::is_directory(dir, error)) {
        throw std::runtime_error("content folder " + dir + " does not exist");
    }
    for (fs::recursive_directory_iterator it(dir, error), end; !error && it != end;
         it.increment(error)) {
        if (!it->is_regular_file(error)) {
            continue;
        }
        const fs::path& path = it->path();
        if (it->file_size(error) > FileCap) {
            throw std::runtime_error("content file " + path.string() + " is larger than " +
                                     std::to_string(FileCap) + " bytes");
        }
        std::ifstream in(path, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (in.bad()) {
            throw std::runtime_error("cannot read content file " + path.string());
        }
        m_files.emplace(path.lexically_relative(dir).generic_string(), std::move(bytes));
    }
    if (error) {
        throw std::runtime_error("cannot read content folder " + dir + ": " + error.message());
    }
}

const std::string* ContentStore::file(std::string_view name) const {
    const auto it = m_files.find(name);
    return it == m_files.end() ? nullptr : &it->second;
}

std::vector<std::string> ContentStore::namesUnder(std::string_view folder,
                                                  std::string_view suffix) const {
    std::vector<std::string> names;
    for (const auto& [name, bytes] : m_files) {
        if (name.starts_with(folder) && name.ends_with(suffix) &&
            name.size() >= folder.size() + suffix.size()) {
            names.push_back(name);
        }
    }
    return names;
}

} // namespace bbstatsd
