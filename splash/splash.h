// The splash window: a borderless bitmap window on a thread of its own,
// closed by a timer the launch arms or by a key press. On Linux there is no
// splash bitmap, so no splash ever starts and the timer requests do nothing.
#ifndef ZOV_SPLASH_SPLASH_H_
#define ZOV_SPLASH_SPLASH_H_

class SplashWindow;

// The live splash, or null before it starts and once it is gone.
extern SplashWindow* volatile ActiveSplash;

// Bitmap resource 100 of the executable, or null when it has none.
void* LoadSplashBitmap();

// Starts the splash thread with the bitmap (which it then owns) and returns
// once its window is up, or after 30000 ms at most.
void StartSplash(void* bitmap, const char* caption);

// Arms the splash's single close timer, replacing an earlier countdown.
// Does nothing with no live splash.
void SetCloseTimer(SplashWindow* splash, unsigned delayMs);

#endif  // ZOV_SPLASH_SPLASH_H_
