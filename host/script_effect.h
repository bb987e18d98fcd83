// The script the entry point wraps. The effect defines it (effect/), so this layer
// names no script: the wrapper, the table and the bridge serve any TEmber.
#pragma once

class TEmber;

// A new runtime object of the script, owned by the caller.
TEmber* newScriptEffect();
