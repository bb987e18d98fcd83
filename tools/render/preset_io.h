// Preset files applied to and taken from a running plug-in instance.
#pragma once

#include <string>

class RenderInstance;

// Restores a .fxp or .fxb; refuses a preset made for another plug-in unless `force`.
void loadPreset(RenderInstance& plugin, const std::string& path, bool force);
// Writes the instance's state: a bank when the name ends in .fxb, else one program.
// Chunk plug-ins get the opaque-chunk forms (FPCh, FBCh), others the parameter lists.
void savePreset(RenderInstance& plugin, const std::string& path);
