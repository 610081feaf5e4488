#pragma once

// The resources live in a static library, whose registration code the linker would
// drop unless something refers to it; call this before opening ":/..." paths.
void ensureCompiledResources();
