/* A VISA program as a user writes it: finds the first instrument, prints its
 * resource name and its reply to "*idn?". Built against the installed tree. */
#include <stdio.h>
#include <visa.h>

int main(void) {
    ViSession rm, meter;
    ViFindList list;
    ViUInt32 count, done;
    ViChar name[VI_FIND_BUFLEN];
    ViByte reply[256];
    if (viOpenDefaultRM(&rm) < VI_SUCCESS) {
        return 1;
    }
    if (viFindRsrc(rm, "?*INSTR", &list, &count, name) < VI_SUCCESS ||
        viOpen(rm, name, VI_NULL, 0, &meter) < VI_SUCCESS ||
        viWrite(meter, (ViConstBuf) "*idn?\n", 6, &done) < VI_SUCCESS ||
        viRead(meter, reply, sizeof reply - 1, &done) < VI_SUCCESS) {
        viClose(rm);
        return 1;
    }
    reply[done] = '\0';
    printf("%s %s", name, (const char*)reply);
    return viClose(rm) < VI_SUCCESS;
}
