// Texts of the add-in that other units show to the user.
#pragma once

namespace Vorlane {

inline constexpr const char16_t* SDescription = u"Automates some tasks with projects.";
// The last line of the about-box description.
inline constexpr const char16_t* SCopyright = u"Copyright \u00A9 Harlowmere";

}  // namespace Vorlane
