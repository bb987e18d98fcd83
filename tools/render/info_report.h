// --info: what a host sees of a plug-in, as plain text or as one JSON object.
#pragma once

#include <ostream>

class RenderInstance;
class RenderPlugin;

void printInfo(RenderPlugin& plugin, std::ostream& out);
void printJsonInfo(RenderPlugin& plugin, std::ostream& out);
// The VST 2.4 text: the record's fields, flags and canDo answers too.
void printVst2Info(RenderInstance& plugin, std::ostream& out);
// The text for formats without more to show than the common fields.
void printCommonInfo(RenderPlugin& plugin, std::ostream& out);
