"""Figures of libzvisa.so.1's TCPIP INSTR client: the DR? block (200009 bytes, 50000 readings)
read from a dcv,instant simulated meter directly through our library, through our library and
zorvane-share on loopback, and through pyvisa-py and zorvane-share, in turns, in one run. All
three go through PyVISA, so its parsing of the block weighs on each alike.

Run inside tests/support/in_netns.sh (the server answers the portmapper on port 111):
python3 tcpip_bench.py SERVER LIBRARY, or `cmake --build build --target run_tcpip_bench`.
"""
import os
import statistics
import subprocess
import sys

import pyvisa

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "support"))
from share_run import block_milliseconds, portmapper_listens, wait_until  # noqa: E402

SERVER, LIBRARY = sys.argv[1], sys.argv[2]
METER = "USB0::0x7A5E::0x0C46::SIM0001::INSTR"
SHARED = "TCPIP0::127.0.0.1::inst0::INSTR"
BLOCKS = 100


def main():
    os.environ["ZVISA_SIM"] = f"{METER}=dcv,instant"
    server = subprocess.Popen([SERVER], stderr=subprocess.DEVNULL)
    try:
        if not wait_until(portmapper_listens):
            raise SystemExit("the server did not come up")
        ours = pyvisa.ResourceManager(LIBRARY)
        py = pyvisa.ResourceManager("@py")
        meters = {
            "direct, PyVISA on libzvisa": ours.open_resource(METER),
            "libzvisa through zorvane-share": ours.open_resource(SHARED),
            "pyvisa-py through zorvane-share": py.open_resource(SHARED),
        }
        times = {name: [] for name in meters}
        for meter in meters.values():
            meter.timeout = 10000
            meter.write("SAMPLE:COUNT 50000")
        for _ in range(BLOCKS):
            for name, meter in meters.items():
                times[name].append(block_milliseconds(meter))
        ours.close()
        py.close()
    finally:
        server.terminate()
        server.wait()

    medians = {name: statistics.median(samples) for name, samples in times.items()}
    direct = medians["direct, PyVISA on libzvisa"]
    print(f"DR? block (200009 bytes), median of {BLOCKS}, read in turns:")
    for name, median in medians.items():
        print(f"  {name:33} {median:8.2f} ms  ({median - direct:+.2f} ms against direct)")


if __name__ == "__main__":
    main()
