// Linux: an executable has no bitmap resource, so no splash ever starts.
#include "splash/splash.h"

SplashWindow* volatile ActiveSplash = nullptr;

void* LoadSplashBitmap() { return nullptr; }

void StartSplash(void*, const char*) {}

void SetCloseTimer(SplashWindow*, unsigned) {}
