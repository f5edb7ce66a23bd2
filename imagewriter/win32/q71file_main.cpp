// Windows entry of Q71File. Not wired to the job run yet: it does nothing and reports failure,
// so that no printer driver mistakes a run of this build for a finished job.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return 1; }
