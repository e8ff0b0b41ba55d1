"""What the Python suites and benchmarks around zorvane-share have in common: waiting for its
portmapper, reading a block directly through our library, timing a block and checking a VISA
status. The scripts put this folder on sys.path themselves, as ctest runs them by path.
"""
import socket
import time
import unittest

import pyvisa

HOST = "127.0.0.1"
BLOCK_READINGS = 50000


def wait_until(condition, seconds=5.0):
    deadline = time.monotonic() + seconds
    while not condition() and time.monotonic() < deadline:
        time.sleep(0.05)
    return condition()


def portmapper_listens():
    with socket.socket() as probe:
        probe.settimeout(0.2)
        return probe.connect_ex((HOST, 111)) == 0


def direct_block(library, resource):
    """A fresh process's first DR? block of BLOCK_READINGS readings, through our library."""
    rm = pyvisa.ResourceManager(library)
    try:
        meter = rm.open_resource(resource)
        meter.write(f"SAMPLE:COUNT {BLOCK_READINGS}")
        return meter.query_binary_values("DR?", datatype="f")
    finally:
        rm.close()


def block_milliseconds(meter):
    start = time.perf_counter()
    readings = meter.query_binary_values("DR?", datatype="f")
    assert len(readings) == BLOCK_READINGS
    return (time.perf_counter() - start) * 1000


class VisaTestCase(unittest.TestCase):
    def assertStatus(self, status, call, *args):
        with self.assertRaises(pyvisa.VisaIOError) as raised:
            call(*args)
        self.assertEqual(raised.exception.error_code, status)
