#!/usr/bin/env python3
"""Writes the seed corpus of the table_read fuzz target (fuzz/corpus/table_read/).

Each seed is a script in the input format that fuzz/table_read_fuzz.cpp
describes: a settings byte, the max-repetitions, the operations, then one
answer step per datagram the library waits for. The seeds reach GetNext and
GetBulk walks, several tables at once, tooBig, endOfMibView, SNMPv1's
noSuchName, the identity and option readers and the opening's own answers.

    fuzz/make_table_read_corpus.py [DIR]
"""
import os
import sys

# settings
V2C = 0x01
OPEN_SUPPORTED, OPEN_OTHER, OPEN_SCRIPTED = 0 << 1, 1 << 1, 2 << 1
RETRY1 = 1 << 3
# operations
def read_tables(mask):
    return [0, mask >> 8, mask & 0xFF]
def count(which, argument=0):
    return [1, which, argument]
IDENTITY = [2, 0, 0]
OPTIONS = [3, 0, 0]
ALL = 0
STORAGE, DEVICE, PRINTER, INPUT, OUTPUT, TONER, SUPPLY, ALERT = 0x1, 0x2, 0x4, 0x8, 0x10, 0x20, 0x40, 0x80
MARKER, COVER, LINE, LIGHT = 0x100, 0x200, 0x400, 0x800
# answer steps
TIMEOUT = [0]
END_OF_MIB_VIEW = [5]
TOO_BIG = [7]
def error(status, index):
    return [6, status, index]
def no_such_name(index):
    return [8, index]
def raw(data):
    return [9, len(data)] + list(data)
def mutated(how, at):
    return [10, how, 0, at, 0x00]  # the answer inside: next cells, index values
def noise(kind):
    return [11, kind]
# well-formed answers: shape = name mode | value kind << 3 | 0x40 two-part
# index | 0x80 count from the input
NEXT, SKIP, LEAVE, SAME, BACK, FAR, DEEPER = 0, 1, 2, 3, 4, 5, 6
INDEX, SMALL, INTEGER, TEXT, OID, OTHER, EXCEPTION = 0, 1, 2, 3, 4, 5, 6
TWO_PART = 0x40
def answer(name=NEXT, value=INDEX, two_part=False, extra=()):
    return [1, name | value << 3 | (TWO_PART if two_part else 0)] + list(extra)
def bulk_answer(repetitions, name=NEXT, value=INDEX, two_part=False):
    return [1, 0x80 | name | value << 3 | (TWO_PART if two_part else 0), repetitions]

def seed(settings, repetitions, operations, steps):
    out = [settings, repetitions, len(operations) - 1]
    for op in operations:
        out += op
    for step in steps:
        out += step
    return bytes(out)

SEEDS = {
    # GetNext walk of every status table: three rows, then every column
    # runs out of its table.
    "getnext_all_tables_v1": seed(0, 0, [read_tables(ALL)], [answer()] * 3 + [answer(LEAVE)]),
    # GetBulk walk of every table: two answers of four repetitions, then
    # endOfMibView everywhere, confirmed by a GetNext that leaves.
    "getbulk_all_tables_v2c": seed(V2C, 25, [read_tables(ALL)],
                                   [answer(), answer(), END_OF_MIB_VIEW, answer(LEAVE)]),
    # tooBig twice halves 42 repetitions to 10; a short answer lowers them
    # again; storage and printer walked together.
    "getbulk_toobig_v2c": seed(V2C, 100, [read_tables(STORAGE | PRINTER)],
                               [TOO_BIG, TOO_BIG, answer(), bulk_answer(1), answer(), answer(LEAVE)]),
    # One repetition refused as tooBig: the walk goes on with GetNext.
    "getbulk_to_getnext_v2c": seed(V2C, 1, [read_tables(OUTPUT)], [TOO_BIG, answer(), answer(), answer(LEAVE)]),
    # Meter tables at once, two-part indices, texts of every length.
    "several_tables_texts_v2c": seed(V2C, 10, [read_tables(COVER | LINE | LIGHT | MARKER)],
                                     [answer(two_part=True), answer(SKIP, TEXT, True, [1, 4, 0x61, 0x62, 0x63, 0x64]),
                                      answer(LEAVE)]),
    # Supplies with a colorant index: the colorant walk follows.
    "supplies_colorants_v1": seed(0, 0, [count(5)],
                                  [answer(NEXT, SMALL, True, [1] * 8), answer(LEAVE),
                                   answer(NEXT, TEXT, True, [4]) + list(b"cyan"), answer(LEAVE)]),
    # Identity: every scalar's instance 0 with a text.
    "identity_v2c": seed(V2C, 0, [IDENTITY],
                         [answer(DEEPER, TEXT, False, sum(([0, 3, 0x41, 0x42, 0x43] for _ in range(11)), []))]),
    # The options of a printer of another model, then of the supported one.
    "options_other_model_v1": seed(OPEN_OTHER, 0, [OPTIONS], [answer(), answer(LEAVE)] * 6),
    "options_supported_v2c": seed(V2C, 5, [OPTIONS], [answer(), answer(LEAVE), TIMEOUT] * 8),
    # SNMPv1's end of the MIB: noSuchName at a binding, then for all.
    "nosuchname_v1": seed(RETRY1, 0, [count(0), count(1)],
                          [answer(), no_such_name(1), answer(), no_such_name(0), answer(), no_such_name(0)]),
    # The opening from the script, after a datagram from elsewhere and a
    # time-out: another model's sysObjectID, the probe, then the printer.
    "scripted_opening_v1": seed(OPEN_SCRIPTED | RETRY1, 0, [read_tables(PRINTER)],
                                [noise(0), TIMEOUT, answer(NEXT, OID, False, [3, 4, 1, 99]), answer(),
                                 answer(), answer(LEAVE)]),
    # Broken answers: a changed byte, a cut one, raw bytes, another
    # request's answer and a report, between good ones.
    "broken_answers_v2c": seed(V2C | RETRY1, 5, [read_tables(DEVICE)],
                               [mutated(0x10, 12), mutated(0x01, 30), raw(b"\x30\x02\x02\x00"), noise(1), noise(2),
                                answer(), answer(LEAVE)]),
    # A name that does not advance, and one that goes back.
    "stuck_and_back_v1": seed(0, 0, [count(6), count(2)], [answer(), answer(SAME), answer(), answer(BACK)]),
    # Refusals: an error-status, exceptions for every cell, then three
    # operations in one opening.
    "refusals_three_operations_v2c": seed(V2C, 3, [read_tables(TONER | SUPPLY), count(8, 1), count(13, 1)],
                                          [error(5, 1), answer(NEXT, EXCEPTION, False, [1] * 13), answer(FAR),
                                           answer(), answer(LEAVE)]),
}

def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "corpus", "table_read")
    os.makedirs(folder, exist_ok=True)
    for name, data in sorted(SEEDS.items()):
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)
    print(f"{len(SEEDS)} seeds written to {folder}")

if __name__ == "__main__":
    main()
