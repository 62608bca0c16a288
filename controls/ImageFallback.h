#pragma once
// Lets tests see a lookup that fell back to the stand-in, which otherwise passes unnoticed.
// Called with the requested name (possibly null); null when nobody listens.
extern void (*imageFallbackHook) (const char* name);
