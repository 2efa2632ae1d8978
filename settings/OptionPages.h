#pragma once

namespace tonalyx {

class PageControl;

// The nine pages of the options dialog in tab order, with every control named and laid out;
// the Liftering page's tab is hidden. The controls hold no state yet.
void AddOptionPages(PageControl& pages);

// Page indexes the dialog refers to.
inline constexpr int kLifteringPageIndex = 5;
inline constexpr int kDisplayPageIndex = 6;

}  // namespace tonalyx
