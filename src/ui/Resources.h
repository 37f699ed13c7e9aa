#pragma once

// Registers the program's pictures (tool bar images, window icon, About picture). The
// resources live in a static library, so they are registered by hand; safe to call often.
void EnsureResources();
