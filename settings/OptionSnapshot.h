#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "settings/OptionControlTable.h"

namespace tonalyx {

// The options dialog's controls as one block of bytes, the "Options" value of the settings
// store. Every control gets a fixed slot, back to back in the dialog's tab order: a 32-bit
// little-endian integer for check boxes (0 or 1), radio groups (item index) and up-downs
// (position), 64 bytes of text for edits and editable combo boxes (the text, then zero bytes).

// The kinds of stored control, numbered as the stored layout has always numbered them.
enum class StoredControlKind {
    CheckBox = 0,
    RadioGroup = 3,
    ComboBoxEdit = 6,
    Edit = 7,
    UpDown = 8,
};

struct SnapshotSlot {
    std::string_view control;
    StoredControlKind kind;
};

inline constexpr std::size_t kTextSlotSize = 64;
inline constexpr std::size_t kIntegerSlotSize = 4;
inline constexpr std::size_t kOptionSnapshotSize = 1728;

constexpr std::size_t SlotSize(StoredControlKind kind) {
    return kind == StoredControlKind::ComboBoxEdit || kind == StoredControlKind::Edit
               ? kTextSlotSize
               : kIntegerSlotSize;
}

// The slots in stored order.
std::span<const SnapshotSlot> OptionSnapshotLayout();

// Where the control's slot starts; none for a control without a slot.
std::optional<std::size_t> SnapshotSlotOffset(std::string_view control);

// The snapshot of the controls. Combo boxes are stored by their text only; edits by their text
// as typed, which may differ from the up-down's position.
std::vector<std::uint8_t> EncodeOptionSnapshot(const OptionControls& controls,
                                               const UpDownEditTexts& editTexts);

// The controls a snapshot restores. Combo boxes come back with their text and no selected item;
// check boxes are on for any non-zero value; item indexes and positions come back as stored (the
// controls keep them within their own limits). A block of another size restores nothing and
// gives false.
bool DecodeOptionSnapshot(std::span<const std::uint8_t> snapshot, OptionControls& controls,
                          UpDownEditTexts& editTexts);

// A text slot holds at most 64 bytes. A longer text is cut to the longest start that fits and
// ends on a whole UTF-8 character; a text stops at an embedded zero byte.
void WriteTextSlot(std::span<std::uint8_t, kTextSlotSize> slot, std::string_view text);
// The slot's bytes up to the first zero byte, all 64 when there is none.
std::string ReadTextSlot(std::span<const std::uint8_t, kTextSlotSize> slot);

}  // namespace tonalyx
