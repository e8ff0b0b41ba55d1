#!/usr/bin/env python3
"""Writes the seed corpora of the fuzzers into corpus/<name>/.

block_decoder: "DR?" replies as they arrive. resource_expression: an
expression, a zero byte, a resource string. sim_config: ZVISA_SIM texts.
save_target: links to draw and a path to save to.
vxi11_record: a byte picking the piece size, then a stream of RPC records.
usbtmc_read: the device's side of
a short conversation, field by field in the order fuzz_usbtmc_read reads them
(see DeviceScript and FuzzedTransport there).
"""
import pathlib
import struct

CORPUS = pathlib.Path(__file__).parent / "corpus"


def write_corpus(name, seeds):
    folder = CORPUS / name
    folder.mkdir(parents=True, exist_ok=True)
    for seed, data in seeds.items():
        (folder / seed).write_bytes(data)


def readings(*values):
    return b"".join(struct.pack("<f", v) for v in values)


INF = float("inf")
BLOCK_SEEDS = {
    # The real header of a 50000-reading burst, cut after a few readings.
    "burst_header_cut_short": b"#6200000" + readings(*[1.5 + k / 1024 for k in range(16)]),
    "two_readings": b"#18" + readings(1.5, -1.5) + b"\n",
    "indefinite_length": b"#0" + readings(1.5) + b"\n",
    "length_digits_cut": b"#6200",
    "hash_only": b"#",
    "huge_length": b"#9999999999" + readings(1.0, 2.0),
    "negative_length": b"#3-16" + readings(1.0, 2.0, 3.0, 4.0),
    "blank_and_sign": b"#4 +16" + readings(1.0, 2.0, 3.0, 4.0),
    "digit_count_not_a_digit": b"#x16" + readings(1.0, 2.0, 3.0, 4.0),
    "non_finite": b"#216" + readings(INF, -INF, float("nan"), -0.0),
    "odd_byte_count": b"#17" + readings(1.5) + b"\x01\x02\x03",
}

OK, STALL, TIMEOUT, ERROR, NO_DEVICE = range(5)
READ, WRITE = 0, 1
TMO_7000 = 0
EOM = 0x01
SUCCESS = 0x01


def size(n):
    return bytes([n & 0xFF, n >> 8 & 0xFF, n >> 16 & 0xFF])


def round_up(n, multiple):
    return (n + multiple - 1) // multiple * multiple


def outcome(result=OK, delay=0):
    return bytes([result, delay, 0])


def write(text):
    return bytes([WRITE, TMO_7000]) + size(len(text)) + text + outcome()


def read_small(count):
    return bytes([READ, TMO_7000, 0, count]) + outcome()


def read_large(count):
    return bytes([READ, TMO_7000, 1]) + size(count) + outcome()


def transfer(data, attributes=EOM):
    """One DEV_DEP_MSG_IN transfer of `data` with its alignment bytes."""
    body = data + bytes(-len(data) % 4)
    return bytes([0]) + size(len(data)) + bytes([attributes, 0]) + size(len(body)) + body


def filler_transfer(length, attributes=EOM):
    return bytes([0]) + size(length) + bytes([attributes, 1]) + size(round_up(length, 4)) + b"A"


def control_reply(*status):
    return outcome() + size(len(status)) + bytes(status)


IDENTITY = b"ZORVANE SIM,DMM-SIM,SIM0001,1.0\n"
FUNCTION = b'"VOLT"\n'
BLOCK = 200009  # "#6200000", 50000 readings, LF

USBTMC_SEEDS = {
    "idn_query": write(b"*idn?\n") + read_small(60) + transfer(IDENTITY),
    "function_query": write(b"FUNC?\n") + read_small(20) + transfer(FUNCTION),
    "dr_block_one_transfer": write(b"DR?\n") + read_large(210000)
    + filler_transfer(BLOCK),
    "dr_block_two_transfers": write(b"DR?\n") + read_large(210000)
    + filler_transfer(100000, attributes=0) + outcome()
    + filler_transfer(BLOCK - 100000),
    # A transfer of whole packets, then the zero-length packet that ended it.
    "zlp_after_whole_packets": read_large(500) + filler_transfer(500)
    + write(b"*idn?\n") + read_small(60) + bytes([1]) + size(0) + transfer(IDENTITY),
    # The meter NAKs until the deadline; the read is aborted and drained.
    "nak_then_abort": write(b"*idn?\n") + read_small(60) + bytes([3]) + outcome(TIMEOUT, 255)
    + control_reply(SUCCESS, 0) + bytes([1]) + size(0) + control_reply(SUCCESS, 0, 0, 0, 0, 0, 0, 0),
    "stall_then_clear": read_small(60) + bytes([3]) + outcome(STALL) + outcome()
    + read_small(60) + transfer(IDENTITY),
    "unplug_during_block": write(b"DR?\n") + read_large(210000) + bytes([3])
    + outcome(NO_DEVICE) + write(b"*idn?\n"),
    "write_nak_then_abort": bytes([WRITE, TMO_7000]) + size(4) + b"DR?\n" + outcome(TIMEOUT, 255)
    + control_reply(SUCCESS, 0) + control_reply(SUCCESS, 0, 0, 0, 0, 0, 0, 0) + outcome(),
}

PROGRAM_EXPRESSION = b"USB[0-9]*::0x7A5E::0x0C4[6-7]::?*INSTR"
EXPRESSION_SEEDS = {
    "program_finds_0c46": PROGRAM_EXPRESSION + b"\0USB0::0x7A5E::0x0C46::SIM0001::INSTR",
    "program_skips_0c48": PROGRAM_EXPRESSION + b"\0USB0::0x7A5E::0x0C48::SIM0001::INSTR",
    "program_without_instr": PROGRAM_EXPRESSION + b"\0USB0::0x7A5E::0x0C47::A1",
    "lower_case_two_digit_board": b"usb[0-9]*::0x7a5e::0x0c4[6-7]::?*instr"
    + b"\0USB10::0x7A5E::0x0C47::A1::INSTR",
    "groups_and_alternation": b"(GPIB|USB)?*::(INSTR|RAW)\0USB0::1::2::3::RAW",
    "negated_class_plus": b"USB[^0-4]+::?*\0USB7::X",
    "escapes": b"USB0\\:\\:?*\0USB0::A",
    "nested_stars": b"((a*)*)*b\0" + b"a" * 40 + b"c",
    "anything_empty": b"?*\0",
    "unclosed_class": b"USB[0-9\0USB0",
    "unclosed_group": b"(USB|GPIB\0USB",
}

SIM_SEEDS = {
    "dcv": b"dcv",
    "dcv_instant": b"dcv,instant",
    "dcv_truncated": b"dcv,instant,truncate=1000",
    "mute": b"mute",
    "mute_virtual_time": b"mute,virtual-time",
    "two_named": b"USB0::0x7A5E::0x0C47::A1::INSTR=dci;USB1::0x7A5E::0x0C45::B2::INSTR=dcv",
    "two_unnamed": b"acv; dci,instant",
    "stray_separator": b"dcv;;dci",
    "unknown_profile": b"ohms",
    "bad_number": b"dcv,truncate=12x",
    "empty_resource": b"=dcv",
    "same_resource_twice": b"USB0::0x7A5E::0x0C46::A::INSTR=dcv;usb0::0x7a5e::0x0c46::a::instr=dci",
    "dcv_signal": b"dcv,ripple=0.01@50,ripple=2e-3@1250.5,noise=5e-4,step=0.1@25000,seed=7",
    "bad_ripple": b"dci,ripple=1@0",
}

# "X:text" makes link X, the last line is the path saved to (see fuzz_save_target).
SAVE_SEEDS = {
    "link_chain": b"a:f\nb:a\na",
    "link_loop": b"a:b\nb:a\na",
    "relative_in_folder": b"d/a:../f\nc:d/a\nc",
    "dangling_absolute": b"a:/missing\na",
    "fifo_without_reader": b"a:p\na",
    "folder": b"d/",
    "link_to_folder": b"a:d/\na",
}

write_corpus("block_decoder", BLOCK_SEEDS)
write_corpus("resource_expression", EXPRESSION_SEEDS)
write_corpus("sim_config", SIM_SEEDS)
write_corpus("save_target", SAVE_SEEDS)
# The transport's first field is the packet size (0 picks 512).


def xdr(*words):
    return b"".join(struct.pack(">I", w & 0xFFFFFFFF) for w in words)


def xdr_opaque(data):
    return xdr(len(data)) + data + bytes(-len(data) % 4)


def record(payload, last=True):
    return xdr((0x80000000 if last else 0) | len(payload)) + payload


def call(program, procedure, args, version=1):
    return xdr(1, 0, 2, program, version, procedure, 0, 0, 0, 0) + args


CORE, PORTMAPPER = 0x0607AF, 100000
VXI11_SEEDS = {
    "create_link": record(call(CORE, 10, xdr(1, 0, 10000) + xdr_opaque(b"inst0"))),
    "write_then_read": record(call(CORE, 11, xdr(0, 2000, 0, 9) + xdr_opaque(b"*IDN?")))
    + record(call(CORE, 12, xdr(0, 65536, 2000, 0, 0x80, 10))),
    "getport_in_two_fragments": record(call(PORTMAPPER, 3, xdr(CORE), 2)[:12], last=False)
    + record(call(PORTMAPPER, 3, xdr(CORE), 2)[12:] + xdr(1, 6, 0)),
    "docmd": record(call(CORE, 22, xdr(0, 0, 100, 100, 1, 1, 4) + xdr_opaque(b"abcd"))),
    "read_reply": record(xdr(1, 1, 0, 0, 0, 0, 0, 4) + xdr_opaque(b"1.5\n")),
    "dump_reply": record(xdr(1, 1, 0, 0, 0, 0, 1, CORE, 1, 6, 1024, 0)),
    "huge_fragment": xdr(0xFFFFFFFF),
    "huge_opaque": record(call(CORE, 11, xdr(0, 0, 0, 8, 0xFFFFFFF0))),
}
write_corpus("vxi11_record", {name: bytes([3]) + seed for name, seed in VXI11_SEEDS.items()})
write_corpus("usbtmc_read", {name: bytes([0]) + script for name, script in USBTMC_SEEDS.items()})
