#!/usr/bin/env python3
"""Runs a command and prints the CPU time of it and of every process it started, daemons too.

    python3 tools/cpu-time.py LABEL COMMAND [ARG ...]

/usr/bin/time counts only the children a process waits for; a wineserver or an Xvfb that
detaches escapes it. Here this process becomes the subreaper of the command's tree, so detached
descendants are handed to it when their parent ends, and their time is counted when it reaps them.
"""
import ctypes
import os
import resource
import sys
import time

PR_SET_CHILD_SUBREAPER = 36


def main():
    label, command = sys.argv[1], sys.argv[2:]
    if ctypes.CDLL(None, use_errno=True).prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0) != 0:
        sys.exit("prctl(PR_SET_CHILD_SUBREAPER) failed")
    started = time.monotonic()
    child = os.fork()
    if child == 0:
        os.execvp(command[0], command)
    status = 0
    while True:
        try:
            pid, wait_status = os.wait()
        except ChildProcessError:
            break
        if pid == child:
            status = os.waitstatus_to_exitcode(wait_status)
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    print(f"cpu-time {label}: wall {time.monotonic() - started:.0f} s, user {usage.ru_utime:.0f} s, "
          f"system {usage.ru_stime:.0f} s, exit {status}", file=sys.stderr)
    sys.exit(status if status >= 0 else 128 - status)


main()
