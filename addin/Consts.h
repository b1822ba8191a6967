// Texts of the add-in that other units show to the user.
#pragma once

namespace Vorlane {

inline constexpr const char16_t* SDescription = u"Automates some tasks with projects.";

}  // namespace Vorlane
