// Preset and state files applied to and taken from a running plug-in.
#pragma once

#include <string>

class RenderPlugin;

// A VST 2.4 plug-in takes a .fxp or .fxb and refuses one made for another plug-in
// unless `force`; the other formats take the bytes of their own state.
void loadPreset(RenderPlugin& plugin, const std::string& path, bool force);
// VST 2.4: a bank when the name ends in .fxb, else one program (the opaque-chunk forms
// FPCh, FBCh for chunk plug-ins, else the parameter lists). Other formats: their state.
void savePreset(RenderPlugin& plugin, const std::string& path);
