"""libzvisa.so.1 through PyVISA's ctypes backend on TCPIP INSTR resources of a zorvane-share on
loopback, as a script on a desk PC reaches a shared meter.

Run inside tests/support/in_netns.sh (the server answers the portmapper on port 111):
python3 pyvisa_tcpip_test.py SERVER LIBRARY [unittest options].
"""
import os
import subprocess
import sys
import tempfile
import time
import unittest

import pyvisa
from pyvisa import constants
from pyvisa.constants import StatusCode

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from share_run import VisaTestCase, direct_block, portmapper_listens, wait_until  # noqa: E402

SERVER, LIBRARY = sys.argv.pop(1), sys.argv.pop(1)

INSTANT = "USB0::0x7A5E::0x0C46::SIM0001::INSTR"  # served as inst0
BLOCK = "USB0::0x7A5E::0x0C46::SIM0002::INSTR"    # inst1, read by one test only
MUTE = "USB0::0x7A5E::0x0C46::SIM0003::INSTR"     # inst2
SIM = f"{INSTANT}=dcv,instant;{BLOCK}=dcv,instant;{MUTE}=mute"


def tcpip(device):
    return f"TCPIP0::127.0.0.1::{device}::INSTR"


class PyvisaTcpipTest(VisaTestCase):
    @classmethod
    def setUpClass(cls):
        os.environ["ZVISA_SIM"] = SIM
        cls.direct = direct_block(LIBRARY, BLOCK)
        cls.log = tempfile.TemporaryFile("w+")
        cls.server = subprocess.Popen([SERVER, "--listen", "127.0.0.1"], stderr=cls.log)
        wait_until(portmapper_listens)
        # The client sees the meters only through the server.
        del os.environ["ZVISA_SIM"]

    @classmethod
    def tearDownClass(cls):
        cls.server.terminate()
        cls.server.wait(timeout=10)
        cls.log.close()

    def setUp(self):
        self.rm = pyvisa.ResourceManager(LIBRARY)
        self.addCleanup(self.rm.close)

    def open(self, device, **settings):
        meter = self.rm.open_resource(tcpip(device), **settings)
        self.addCleanup(meter.close)
        return meter

    def test_query_identity(self):
        meter = self.open("inst0")
        self.assertEqual(meter.query("*IDN?"), "ZORVANE SIM,DMM-SIM,SIM0001,1.0\n")

    def test_block_bit_for_bit_as_read_directly(self):
        meter = self.open("inst1", timeout=10000)
        meter.write("SAMPLE:COUNT 50000")
        self.assertEqual(meter.query_binary_values("DR?", datatype="f"), self.direct)

    def test_resource_info_and_attributes(self):
        info = self.rm.resource_info("tcpip::127.0.0.1::INSTR")
        self.assertEqual((info.interface_type, info.interface_board_number, info.resource_class),
                         (constants.InterfaceType.tcpip, 0, "INSTR"))
        self.assertEqual(info.resource_name, tcpip("inst0"))
        meter = self.open("inst0")
        for attribute, value in ((constants.VI_ATTR_TCPIP_ADDR, "127.0.0.1"),
                                 (constants.VI_ATTR_TCPIP_HOSTNAME, "127.0.0.1"),
                                 (constants.VI_ATTR_TCPIP_DEVICE_NAME, "inst0"),
                                 (constants.VI_ATTR_INTF_TYPE, constants.InterfaceType.tcpip)):
            with self.subTest(attribute=hex(attribute)):
                self.assertEqual(meter.get_visa_attribute(attribute), value)

    def test_lists_configured_hosts(self):
        os.environ["ZVISA_TCPIP_HOSTS"] = "127.0.0.1"
        self.addCleanup(os.environ.pop, "ZVISA_TCPIP_HOSTS")
        self.assertEqual(self.rm.list_resources("TCPIP?*INSTR"), (tcpip("inst0"),))

    def test_clear_status_byte_lock_and_trigger(self):
        meter = self.open("inst0")
        meter.clear()
        self.assertIsInstance(meter.read_stb(), int)
        meter.lock_excl(timeout=1000)
        other = self.open("inst0", timeout=300)
        self.assertStatus(StatusCode.error_resource_locked, other.write, "*IDN?")
        meter.unlock()
        self.assertEqual(other.query("*IDN?"), "ZORVANE SIM,DMM-SIM,SIM0001,1.0\n")

    def test_timeout_then_the_link_goes_on(self):
        mute = self.open("inst2", timeout=300)
        start = time.monotonic()
        self.assertStatus(StatusCode.error_timeout, mute.query, "*IDN?")
        self.assertLess(time.monotonic() - start, 3)
        mute.timeout = 2000
        mute.write("*IDN?")

    def test_missing_device(self):
        self.assertStatus(StatusCode.error_resource_not_found, self.rm.open_resource,
                          tcpip("inst9"))


if __name__ == "__main__":
    unittest.main()
