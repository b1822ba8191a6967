// How the IDE loads a plug-in: a shared library exporting two C functions. The IDE calls
// "Register" after loading it and "Finalize" (its unit finalization) before unloading it.
#pragma once

#ifdef _WIN32
#define VORLANE_PLUGIN_EXPORT extern "C" __declspec(dllexport)
#else
#define VORLANE_PLUGIN_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace Vorlane {

using TPluginProc = void (*)();
inline constexpr char cPluginRegisterName[] = "Register";
inline constexpr char cPluginFinalizeName[] = "Finalize";

}  // namespace Vorlane
