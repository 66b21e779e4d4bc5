// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The message list's content: three complete RFC 822 messages and which of them are selected.
class SampleMessages {
public:
    static const std::vector<std::string>& all();

    // Replaces the selection; indices must be distinct and in range, else nothing changes and the
    // reason goes to error.
    bool select(const std::vector<std::size_t>& indices, std::string* error);
    std::vector<std::string> selected() const;
    std::size_t selectedCount() const { return selection.size(); }

private:
    std::vector<std::size_t> selection;
};
