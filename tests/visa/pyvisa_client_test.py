"""libzvisa.so.1 driven by PyVISA's ctypes backend, as a script on a bench PC drives it.

Run: python3 pyvisa_client_test.py LIBRARY [unittest options]. Three simulated meters: volts and
current answer at once on virtual time, the mute one never answers and runs on the real clock,
so its timeout can be seen to pass.
"""
import math
import os
import struct
import sys
import threading
import time
import unittest

import pyvisa
from pyvisa import constants
from pyvisa.constants import StatusCode

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from share_run import VisaTestCase  # noqa: E402

LIBRARY = sys.argv.pop(1) if __name__ == "__main__" else os.environ["ZVISA_LIBRARY"]

VOLTS = "USB0::0x7A5E::0x0C46::A1::INSTR"
CURRENT = "USB0::0x7A5E::0x0C47::B2::INSTR"
MUTE = "USB1::0x7A5E::0x0C46::C3::INSTR"
METERS = (VOLTS, CURRENT, MUTE)
os.environ["ZVISA_SIM"] = (f"{VOLTS}=dcv,instant,virtual-time;{CURRENT}=dci,instant,virtual-time;"
                           f"{MUTE}=mute")

BURST = 50000
# The simulated signals: level and noise (standard deviation).
SIGNALS = {VOLTS: (1.5, 5e-4), CURRENT: (0.01, 2e-6)}


def identity(resource):
    serial = resource.split("::")[3]
    return f"ZORVANE SIM,DMM-SIM,{serial},1.0"


class PyvisaClientTest(VisaTestCase):
    def setUp(self):
        self.rm = pyvisa.ResourceManager(LIBRARY)
        self.addCleanup(self.rm.close)

    def open(self, resource, **settings):
        instrument = self.rm.open_resource(resource, **settings)
        self.addCleanup(instrument.close)
        return instrument

    def test_lists_the_meters_an_expression_matches(self):
        for expression, found in (("?*::INSTR", METERS), ("USB0?*", (VOLTS, CURRENT)),
                                  ("?*::0x0C47::?*", (CURRENT,)), ("GPIB?*", ())):
            with self.subTest(expression=expression):
                self.assertEqual(self.rm.list_resources(expression), found)

    def test_resource_info(self):
        for resource, board in ((VOLTS, 0), (MUTE, 1)):
            with self.subTest(resource=resource):
                info = self.rm.resource_info(resource)
                self.assertEqual(info.interface_type, constants.InterfaceType.usb)
                self.assertEqual(info.interface_board_number, board)
                self.assertEqual(info.resource_class, "INSTR")
                self.assertEqual(info.resource_name, resource)
        self.assertStatus(StatusCode.error_invalid_resource_name, self.rm.resource_info, "USB0::")

    def test_opens_and_queries_each_meter(self):
        for resource in (VOLTS, CURRENT):
            with self.subTest(resource=resource):
                meter = self.open(resource, read_termination="\n", write_termination="\n")
                self.assertEqual(meter.query("*idn?"), identity(resource))
        self.assertStatus(StatusCode.error_resource_not_found, self.rm.open_resource,
                          "USB0::0x7A5E::0x0C46::NONE::INSTR")

    def test_termination(self):
        meter = self.open(VOLTS)
        # No read termination: the reply ends where the meter's message ends.
        self.assertEqual(meter.query("*idn?\n"), identity(VOLTS) + "\n")
        meter.write_termination = "\n"
        meter.read_termination = "\n"
        self.assertEqual(meter.query("*idn?"), identity(VOLTS))
        # A termination character inside the message ends each read there.
        meter.read_termination = ","
        meter.write("*idn?")
        self.assertEqual([meter.read() for _ in range(3)], identity(VOLTS).split(",")[:3])

    def test_binary_block_of_a_burst(self):
        for resource, (level, noise) in SIGNALS.items():
            with self.subTest(resource=resource):
                meter = self.open(resource, read_termination="\n", write_termination="\n")
                meter.write(f"SAMPLE:COUNT {BURST}")
                values = meter.query_binary_values("DR?", datatype="f")
                self.assertEqual(len(values), BURST)
                self.assertTrue(all(abs(v - level) < 10 * noise for v in values))
                mean = math.fsum(values) / len(values)
                self.assertAlmostEqual(mean, level, delta=noise)
                # The block ended with the meter's message: nothing is left to read.
                self.assertEqual(meter.query("*idn?"), identity(resource))

    def test_timeout_round_trip(self):
        meter = self.open(VOLTS)
        for timeout in (0, 1, 2500, 7000, math.inf):
            with self.subTest(timeout=timeout):
                meter.timeout = timeout
                self.assertEqual(meter.timeout, timeout)

    def test_silent_meter_times_out_on_time(self):
        meter = self.open(MUTE, write_termination="\n")
        meter.timeout = 150
        start = time.monotonic()
        self.assertStatus(StatusCode.error_timeout, meter.query, "*idn?")
        self.assertGreaterEqual(time.monotonic() - start, 0.15)

    def test_clear_drops_the_pending_reply(self):
        meter = self.open(VOLTS, read_termination="\n", write_termination="\n")
        meter.write("DR?")
        meter.clear()
        self.assertEqual(meter.query("*idn?"), identity(VOLTS))

    def test_status_byte_and_trigger(self):
        meter = self.open(VOLTS, read_termination="\n", write_termination="\n")
        self.assertIsInstance(meter.read_stb(), int)
        meter.write("*idn?")
        self.assertTrue(meter.read_stb() & 0x10, "MAV with a reply waiting")
        meter.read()
        self.assertFalse(meter.read_stb() & 0x10, "no MAV once it is read")
        meter.assert_trigger()
        self.assertEqual(meter.query("*idn?"), identity(VOLTS))

    def test_locks_between_two_sessions(self):
        first = self.open(VOLTS, read_termination="\n", write_termination="\n")
        second = self.open(VOLTS, read_termination="\n", write_termination="\n")
        with first.lock_context():
            self.assertEqual(first.query("*idn?"), identity(VOLTS))
            self.assertStatus(StatusCode.error_resource_locked, second.query, "*idn?")
            self.assertStatus(StatusCode.error_timeout, second.lock_excl, 100)
        with first.lock_context(requested_key="bench") as key:
            self.assertEqual(key, b"bench")  # PyVISA 1.11 hands the key back as bytes
            second.lock(requested_key="bench")
            self.assertEqual(second.query("*idn?"), identity(VOLTS))
            second.unlock()
        self.assertEqual(second.query("*idn?"), identity(VOLTS))

    def test_attributes_pyvisa_reads_and_filters(self):
        meter = self.open(VOLTS)
        self.assertEqual(meter.io_protocol, constants.IOProtocol.normal)
        self.assertEqual(meter.maximum_interrupt_size, 0)
        self.assertEqual(self.rm.list_resources("?*{VI_ATTR_MODEL_CODE==0x0C47}"), (CURRENT,))
        self.assertEqual(self.rm.list_resources('?*{VI_ATTR_USB_SERIAL_NUM!="A1" && '
                                                'VI_ATTR_INTF_NUM>0}'), (MUTE,))

    def test_terminate_ends_a_read_in_another_thread(self):
        meter = self.open(MUTE, write_termination="\n")
        meter.timeout = math.inf
        meter.write("FUNC?")
        ended = []

        def read():
            try:
                meter.read()
            except pyvisa.VisaIOError as error:
                ended.append(error.error_code)

        reader = threading.Thread(target=read)
        reader.start()
        # Until the read is under way and ends; bounded, so a failure cannot hang.
        for _ in range(500):
            self.rm.visalib.terminate(meter.session, 0, 0)  # VI_NULL, VI_NULL
            reader.join(0.01)
            if not reader.is_alive():
                break
        self.assertFalse(reader.is_alive())
        self.assertEqual(ended, [StatusCode.error_abort])
        meter.timeout = 100
        self.assertStatus(StatusCode.error_timeout, meter.query, "*idn?")  # still usable

    def test_closing_the_resource_manager_ends_its_sessions(self):
        visa = self.rm.visalib
        rm, _ = visa.open_default_resource_manager()
        meter, _ = visa.open(rm, VOLTS)
        visa.close(rm)
        self.assertStatus(StatusCode.error_invalid_object, visa.write, meter, b"*idn?\n")
        self.assertStatus(StatusCode.error_invalid_object, visa.close, meter)

    def test_status_descriptions(self):
        visa = self.rm.visalib
        codes = (StatusCode.success, StatusCode.success_termination_character_read,
                 StatusCode.error_timeout, StatusCode.error_resource_locked,
                 StatusCode.error_resource_not_found, StatusCode.error_invalid_object,
                 StatusCode.error_nonsupported_attribute, StatusCode.error_attribute_read_only,
                 StatusCode.error_nonsupported_operation, StatusCode.error_connection_lost)
        texts = set()
        for code in codes:
            with self.subTest(code=code):
                text, status = visa.status_description(self.rm.session, code)
                self.assertEqual(status, StatusCode.success)
                self.assertTrue(text.isprintable() and text.strip(), repr(text))
                texts.add(text)
        self.assertEqual(len(texts), len(codes), "one text each")
        unknown = struct.unpack("<i", struct.pack("<I", 0xBFFF0FFF))[0]
        with self.assertWarns(pyvisa.errors.VisaIOWarning):
            _, status = visa.status_description(self.rm.session, unknown)
        self.assertEqual(status, StatusCode.warning_unknown_status)


if __name__ == "__main__":
    unittest.main()
