#!/usr/bin/env python3
"""The crash hand-off under Wine, end to end: a program with the real Windows hand-off crashes;
the Windows writer is started with the expected command line and writes a minidump naming the
crashing thread and the exception code; the crashed process ends; afterwards no shared block of
that name is left.

test_crash_handoff.py <folder holding crashchild.exe and mindump.exe>
WINEPREFIX must name a prepared prefix with a running wineserver (kept up with "wineserver -p",
so that a block left behind would still be there to find)."""

import glob
import os
import shutil
import subprocess
import sys
import tempfile

from minidump import Minidump

PROCESS_TIMEOUT = 120
EXCEPTION_NONCONTINUABLE = 1
ACCESS_VIOLATION = 0xC0000005
THREAD_EXCEPTION = 0xE0C0FFEE
DEBUG_OUTPUT = 0x40010006
NO_BLOCK_EXIT = 2
X86 = 0

# name, crash mode, application name, expected exception code, writer beside the program
CASES = [
    ("crash on the main thread", "main", "CrashProbe", ACCESS_VIOLATION, True),
    ("crash on a second thread, blanks in the name", "thread", "Crash Probe", THREAD_EXCEPTION,
     True),
    ("no writer: the process still ends", "main", "CrashProbe", ACCESS_VIOLATION, False),
    # No crash: the filter lets the search go on, and what follows is the system's business, so
    # only "nothing handed off" is checked.
    ("debug-output exception: nothing handed off", "debug", "CrashProbe", DEBUG_OUTPUT, True),
]


def crash_folders():
    prefix = os.environ["WINEPREFIX"]
    return glob.glob(os.path.join(prefix, "drive_c", "users", "*", "AppData", "Local", "Tapwise",
                                  "crashes"))


def wine(arguments, folder):
    # Output into files, not pipes: Wine's service processes inherit the pipes and keep them open
    # long after the program ended.
    with tempfile.TemporaryFile("w+", errors="replace") as output:
        done = subprocess.run(["wine"] + arguments, cwd=folder, stdin=subprocess.DEVNULL,
                              stdout=output, stderr=subprocess.STDOUT, timeout=PROCESS_TIMEOUT)
        output.seek(0)
        done.stderr = output.read()
    return done


def summary_fields(path):
    fields = {}
    with open(path, encoding="utf-8") as file:
        for line in file:
            key, _, value = line.rstrip("\n").partition(": ")
            fields[key] = value
    return fields


def check_case(binaries, work, case):
    name, mode, application, code, with_writer = case
    problems = []

    def expect(condition, message):
        if not condition:
            problems.append(message)
        return condition

    folder = os.path.join(work, mode + ("-writer" if with_writer else "-alone"))
    os.makedirs(folder)
    shutil.copy(os.path.join(binaries, "crashchild.exe"), folder)
    if with_writer:
        shutil.copy(os.path.join(binaries, "mindump.exe"), folder)
    for crashes in crash_folders():
        shutil.rmtree(crashes)

    try:
        child = wine(["crashchild.exe", mode, application], folder)
    except subprocess.TimeoutExpired:
        return ["the crashed process did not end within %d s" % PROCESS_TIMEOUT]
    crash = code != DEBUG_OUTPUT
    # Wine hands the low byte of the Windows exit code, here the exception code, to Linux.
    expect(not crash or child.returncode == code & 0xFF,
           "exit status %d, expected %d (the exception code's low byte)"
           % (child.returncode, code & 0xFF))
    try:
        with open(os.path.join(folder, "child.txt")) as file:
            process_id, thread_id, main_thread_id = (int(n) for n in file.read().split())
    except (OSError, ValueError) as error:
        return problems + ["no crash record from the child: %s" % error]

    dumps = [path for crashes in crash_folders() for path in glob.glob(os.path.join(crashes, "*"))]
    if not with_writer or not crash:
        expect(not dumps, "files written: %s" % dumps)
        return problems
    dump_files = [path for path in dumps if path.endswith(".dmp")]
    summaries = [path for path in dumps if path.endswith(".txt")]
    if not expect(len(dump_files) == 1 and len(summaries) == 1,
                  "expected one dump and one summary, found %s; writer said: %s"
                  % (dumps, child.stderr.strip())):
        return problems

    dump = Minidump.load(dump_files[0])
    exception = dump.exception()
    expect(exception["thread_id"] == thread_id,
           "exception stream names thread %d, the crash was on %d"
           % (exception["thread_id"], thread_id))
    expect(exception["code"] == code,
           "exception code 0x%08X, expected 0x%08X" % (exception["code"], code))
    threads = dump.thread_ids()
    expect(thread_id in threads, "crashing thread %d not in the thread list %s"
           % (thread_id, threads))
    expect(main_thread_id in threads, "main thread %d not in the thread list %s"
           % (main_thread_id, threads))
    expect(dump.processor_architecture() == X86,
           "processor architecture %d, expected x86" % dump.processor_architecture())
    dumped_process = dump.process_id()
    expect(dumped_process in (None, process_id),
           "dump of process %s, the crash was in %d" % (dumped_process, process_id))
    if mode == "main":
        expect(thread_id == main_thread_id, "the main-thread crash ran on another thread")
        # An access violation's parameters: 1 for a write, then the address written to.
        expect(exception["parameters"][:2] == [1, 0x10],
               "access violation parameters %s, expected a write to 0x10"
               % exception["parameters"])
    else:
        expect(thread_id != main_thread_id, "the second-thread crash ran on the main thread")
        expect(exception["parameters"] == [1, 2] and exception["flags"] & EXCEPTION_NONCONTINUABLE,
               "raised exception flags 0x%X, parameters %s, expected non-continuable with [1, 2]"
               % (exception["flags"], exception["parameters"]))

    summary = summary_fields(summaries[0])
    mapping = "Mapping_%sDumpData" % application
    expect(summary.get("Command line") == '" %s %s"' % (application, mapping),
           "writer command line %s" % summary.get("Command line"))
    expect(summary.get("Process id") == str(process_id) and summary.get("Thread id") == str(thread_id),
           "summary names process %s thread %s" % (summary.get("Process id"),
                                                  summary.get("Thread id")))
    expect(summary.get("Exception", "").startswith("0x%08X " % code),
           "summary exception %s" % summary.get("Exception"))

    # The crashed process released the block: the writer, started again by hand, finds none.
    again = wine(["mindump.exe", application, mapping], folder)
    expect(again.returncode == NO_BLOCK_EXIT and "no shared block" in again.stderr,
           "a block is left after the crash: writer exit %d, %s"
           % (again.returncode, again.stderr.strip()))
    return problems


def main():
    if len(sys.argv) != 2 or "WINEPREFIX" not in os.environ:
        print(__doc__, file=sys.stderr)
        return 2
    binaries = os.path.abspath(sys.argv[1])
    passed = failed = 0
    with tempfile.TemporaryDirectory(prefix="tapwise-crash-") as work:
        for case in CASES:
            problems = check_case(binaries, work, case)
            if problems:
                failed += 1
                print("FAIL %s:\n    %s" % (case[0], "\n    ".join(problems)))
            else:
                passed += 1
                print("ok   %s" % case[0])
    print("%d passed, %d failed" % (passed, failed))
    return 0 if failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
