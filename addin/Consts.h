// Texts of the add-in that other units show to the user.
#pragma once

namespace Vorlane {

inline constexpr const char16_t* SDescription = u"Automates some tasks with projects.";
// The last line of the about-box description.
inline constexpr const char16_t* SCopyright = u"Copyright \u00A9 Harlowmere";

// Where the help file is registered.
inline constexpr const char16_t* cHelpRegistryKey = u"Software\\Harlowmere\\Vorlane";
inline constexpr const char16_t* cHelpRegistryValue = u"Help";
inline constexpr const char16_t* cHelpConfigFile = u"vorlane/help";

}  // namespace Vorlane
