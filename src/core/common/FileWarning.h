#pragma once

#include <string>
#include <vector>

namespace moxtel {

// A warning about a file being read: the file, the rows it is about as the file numbers them (the
// first few when there are many, none when it is about no row) and what it says of them.
struct FileWarning {
    std::string file;
    std::vector<int> rows;
    std::string what;  // without the file's name

    // "file: what", as users are shown it.
    std::string Text() const { return file.empty() ? what : file + ": " + what; }
};

}  // namespace moxtel
