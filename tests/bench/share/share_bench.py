"""Figures of zorvane-share on loopback: the DR? block read by pyvisa-py through the server
against the same block read directly through our library (PyVISA's ctypes backend), both on a
dcv,instant simulated meter; `lxi benchmark` *IDN? round trips per second; the server's resident
memory idle and with 50 open links.

Run inside tests/support/in_netns.sh (it answers the portmapper on port 111):
python3 share_bench.py SERVER LIBRARY, or `cmake --build build --target run_share_bench`.
"""
import os
import re
import statistics
import subprocess
import sys

import pyvisa

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "support"))
from share_run import block_milliseconds, portmapper_listens, wait_until  # noqa: E402

SERVER, LIBRARY = sys.argv[1], sys.argv[2]
METER = "USB0::0x7A5E::0x0C46::SIM0001::INSTR"
BLOCKS = 100
ROUND_TRIPS = 2000
LINKS = 50


def median_block_milliseconds(direct, shared):
    """Medians of blocks read in turns, so a busy moment of the machine weighs on both alike."""
    times = {direct: [], shared: []}
    for meter in times:
        meter.write("SAMPLE:COUNT 50000")
    for _ in range(BLOCKS):
        for meter, samples in times.items():
            samples.append(block_milliseconds(meter))
    return statistics.median(times[direct]), statistics.median(times[shared])


def resident_kib(pid):
    with open(f"/proc/{pid}/status") as status:
        return int(re.search(r"VmRSS:\s+(\d+)", status.read()).group(1))


def main():
    os.environ["ZVISA_SIM"] = f"{METER}=dcv,instant"
    server = subprocess.Popen([SERVER], stderr=subprocess.DEVNULL)
    try:
        if not wait_until(portmapper_listens):
            raise SystemExit("the server did not come up")
        idle = resident_kib(server.pid)
        rm = pyvisa.ResourceManager("@py")
        direct_rm = pyvisa.ResourceManager(LIBRARY)
        direct, shared = median_block_milliseconds(
            direct_rm.open_resource(METER), rm.open_resource("TCPIP0::127.0.0.1::inst0::INSTR"))
        direct_rm.close()
        lxi = subprocess.run(["lxi", "benchmark", "-a", "127.0.0.1", "-c", str(ROUND_TRIPS)],
                             capture_output=True, text=True, timeout=120).stdout
        per_second = re.search(r"Result: ([\d.]+) requests/second", lxi).group(1)
        links = [rm.open_resource("TCPIP0::127.0.0.1::inst0::INSTR") for _ in range(LINKS)]
        for link in links:
            link.query("*IDN?")
        with_links = resident_kib(server.pid)
        rm.close()
    finally:
        server.terminate()
        server.wait()

    print(f"DR? block (200009 bytes), median of {BLOCKS}:")
    print(f"  direct, PyVISA on libzvisa      {direct:8.2f} ms")
    print(f"  pyvisa-py through zorvane-share {shared:8.2f} ms")
    print(f"  added by the network            {shared - direct:8.2f} ms per block")
    print(f"lxi benchmark, {ROUND_TRIPS} *IDN? round trips: {per_second} per second")
    print(f"zorvane-share resident memory: idle {idle} KiB, with {LINKS} open links "
          f"{with_links} KiB")


if __name__ == "__main__":
    main()
