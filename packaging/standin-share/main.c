/* STAND-IN: opens the resource manager and exits. */
#include <visa.h>

int main(void) {
    ViSession rm;
    if (viOpenDefaultRM(&rm) < VI_SUCCESS) return 1;
    return viClose(rm) < VI_SUCCESS;
}
