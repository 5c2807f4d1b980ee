#pragma once

#include <string_view>

namespace trovik {

enum class MessageIcon { Exclamation, Stop, Question };

// The seam for message boxes, all captioned with the program's title.
// A message is named by its string-table id; `id` 0 means a text without one.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;

    // An OK box.
    virtual void Show(unsigned id, std::string_view text, MessageIcon icon) = 0;
    // A Yes/No question; true for Yes.
    virtual bool Ask(unsigned id, std::string_view text, MessageIcon icon) = 0;
};

}  // namespace trovik
