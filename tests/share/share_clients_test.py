"""zorvane-share against clients we did not write: lxi-tools, rpcbind's rpcinfo and pyvisa-py.

Run inside tests/support/in_netns.sh: python3 share_clients_test.py SERVER LIBRARY own|rpcbind [unittest
options]. With "own" the server answers the portmapper itself; with "rpcbind" an rpcbind runs
first (in_netns.sh --private-run gives it a /run of its own) and the server registers there.
LIBRARY is libzvisa.so.1, for the run read directly, without the server.
"""
import os
import signal
import struct
import subprocess
import sys
import tempfile
import threading
import time
import unittest

import pyvisa
from pyvisa.constants import StatusCode
from pyvisa_py.protocols import rpc, vxi11

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from share_run import HOST, VisaTestCase, direct_block, wait_until  # noqa: E402

SERVER, LIBRARY, MODE = sys.argv.pop(1), sys.argv.pop(1), sys.argv.pop(1)

INSTANT = "USB0::0x7A5E::0x0C46::SIM0001::INSTR"  # inst0
BURST = "USB0::0x7A5E::0x0C47::SIM0002::INSTR"    # inst1, 1 s bursts
BLOCK = "USB0::0x7A5E::0x0C46::SIM0003::INSTR"    # inst2, read by one test only
MUTE = "USB0::0x7A5E::0x0C46::SIM0004::INSTR"     # inst3
SIM = f"{INSTANT}=dcv,instant;{BURST}=dci;{BLOCK}=dcv,instant;{MUTE}=mute"
CORE, ABORT = 0x0607AF, 0x0607B0


def identity(resource):
    return f"ZORVANE SIM,DMM-SIM,{resource.split('::')[3]},1.0"


def run(*command, timeout=20):
    return subprocess.run(command, capture_output=True, text=True, timeout=timeout)


def portmapper_answers():
    return run("rpcinfo", "-p", HOST).returncode == 0


class ShareClientsTest(VisaTestCase):
    @classmethod
    def setUpClass(cls):
        os.environ["ZVISA_SIM"] = SIM
        cls.direct = direct_block(LIBRARY, BLOCK)
        cls.rpcbind = None
        if MODE == "rpcbind":
            os.makedirs("/run/rpcbind", exist_ok=True)
            cls.rpcbind = subprocess.Popen(["rpcbind", "-f"])
            assert wait_until(portmapper_answers), "rpcbind did not start"
        cls.log = tempfile.TemporaryFile("w+")
        cls.server = subprocess.Popen([SERVER, "--listen", HOST], stderr=cls.log)
        assert wait_until(lambda: f"{CORE}" in run("rpcinfo", "-p", HOST).stdout), \
            "the server did not come up"
        cls.rm = pyvisa.ResourceManager("@py")

    @classmethod
    def tearDownClass(cls):
        cls.rm.close()
        cls.log.close()
        if cls.server.poll() is None:
            cls.server.kill()
        if cls.rpcbind:
            cls.rpcbind.terminate()
            cls.rpcbind.wait()

    def server_log(self):
        self.log.seek(0)
        return self.log.read()

    def open(self, device="inst0", **settings):
        meter = self.rm.open_resource(f"TCPIP0::{HOST}::{device}::INSTR", **settings)
        self.addCleanup(meter.close)
        return meter

    def test_rpcinfo(self):
        listing = run("rpcinfo", "-p", HOST).stdout
        for program in (CORE, ABORT):
            with self.subTest(program=program):
                self.assertRegex(listing, rf"\n\s*{program}\s+1\s+tcp\s+\d+")
        for version, ready in (("1", True), ("2", False)):
            with self.subTest(version=version):
                result = run("rpcinfo", "-t", HOST, str(CORE), version)
                self.assertEqual(result.returncode == 0, ready, result.stdout + result.stderr)
                self.assertEqual("ready and waiting" in result.stdout, ready)

    def test_lxi(self):
        for command, expected in (
                (("lxi", "scpi", "-a", HOST, "*IDN?"), identity(INSTANT)),
                (("lxi", "discover", "-t", "1"), f'Found "{identity(INSTANT)}" on address {HOST}'),
                (("lxi", "benchmark", "-a", HOST, "-c", "50"), "requests/second")):
            with self.subTest(command=command[1]):
                self.assertIn(expected, run(*command).stdout)

    def test_pyvisa_block_bit_for_bit_as_a_direct_run(self):
        meter = self.open("inst2")
        self.assertEqual(meter.query("*IDN?").strip(), identity(BLOCK))
        meter.write("SAMPLE:COUNT 50000")
        readings = meter.query_binary_values("DR?", datatype="f")
        self.assertEqual(len(readings), 50000)
        self.assertEqual(struct.pack("<50000f", *readings), struct.pack("<50000f", *self.direct))

    def test_pyvisa_clear_status_byte_lock_and_timeout(self):
        meter = self.open("inst0")
        meter.clear()
        self.assertIsInstance(meter.read_stb(), int)
        meter.lock_excl()
        meter.unlock()
        self.assertStatus(StatusCode.error_session_not_locked, meter.unlock)
        mute = self.open("inst3", timeout=300)
        self.assertStatus(StatusCode.error_timeout, mute.query, "*IDN?")
        mute.timeout = 2000
        mute.write("*IDN?")  # the link goes on after the timeout
        self.assertEqual(meter.query("*IDN?").strip(), identity(INSTANT))

    def test_two_clients_contend_for_the_lock(self):
        holder, other = self.open("inst0"), self.open("inst0")
        holder.lock_excl()
        # pyvisa-py 0.5.1 reports every failed device_write as an I/O error.
        self.assertStatus(StatusCode.error_io, other.write, "*IDN?")
        self.assertStatus(StatusCode.error_resource_locked, other.lock_excl)
        holder.unlock()
        self.assertEqual(other.query("*IDN?").strip(), identity(INSTANT))

    def test_abort_during_a_burst(self):
        meter = self.open("inst1", timeout=5000)
        meter.write("SAMPLE:COUNT 50000")
        meter.write("CURR:NPLC 0.001")
        link = self.rm.visalib.sessions[meter.session].link
        portmapper = rpc.TCPPortMapperClient(HOST)
        port = portmapper.get_port((ABORT, 1, rpc.IPPROTO_TCP, 0))
        portmapper.close()
        abort = rpc.RawTCPClient(HOST, ABORT, 1, port)
        abort.packer, abort.unpacker = vxi11.Vxi11Packer(), vxi11.Vxi11Unpacker("")
        self.addCleanup(abort.close)
        outcome = {}

        def read_burst():
            try:
                meter.query_binary_values("DR?", datatype="f")
                outcome["status"] = StatusCode.success
            except pyvisa.VisaIOError as error:
                outcome["status"] = error.error_code
        reader = threading.Thread(target=read_burst)
        started = time.monotonic()
        reader.start()
        time.sleep(0.2)
        self.assertEqual(abort.make_call(1, link, abort.packer.pack_int, abort.unpacker.unpack_int), 0)
        reader.join(10)
        # pyvisa-py 0.5.1 reports every read error but a timeout as an I/O error.
        self.assertEqual(outcome.get("status"), StatusCode.error_io)
        self.assertLess(time.monotonic() - started, 0.9, "ended before the burst did")
        self.assertEqual(meter.query("*IDN?").strip(), identity(BURST))

    def test_client_killed_mid_read_frees_its_link_and_lock(self):
        client = subprocess.Popen([sys.executable, "-c", f"""
import pyvisa
m = pyvisa.ResourceManager("@py").open_resource("TCPIP0::{HOST}::inst1::INSTR")
m.lock_excl()
m.write("SAMPLE:COUNT 50000"); m.write("CURR:NPLC 0.001")
print("reading", flush=True)
m.query("DR?")
"""], stdout=subprocess.PIPE, text=True)
        self.assertEqual(client.stdout.readline().strip(), "reading")
        time.sleep(0.2)
        client.kill()
        client.wait()
        client.stdout.close()
        other = self.open("inst1")

        def locks():
            try:
                other.lock_excl()
                return True
            except pyvisa.VisaIOError:
                return False
        self.assertTrue(wait_until(locks, 3.0))
        other.unlock()
        self.assertIn("closed (client gone", self.server_log())

    def test_zz_sigterm_closes_the_links(self):
        core = vxi11.CoreClient(HOST)
        self.addCleanup(core.close)
        self.assertEqual(core.create_link(1, 0, 0, "inst0")[0], 0)
        self.server.send_signal(signal.SIGTERM)
        self.assertEqual(self.server.wait(10), 0)
        self.assertIn("closed (server stopping)", self.server_log())
        if MODE == "rpcbind":
            self.assertNotIn(str(CORE), run("rpcinfo", "-p", HOST).stdout)


if __name__ == "__main__":
    unittest.main()
