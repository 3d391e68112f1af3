#!/usr/bin/env python3
"""Where the module's own instructions go, function by function.

Reads a callgrind profile written with --compress-strings=no --compress-pos=no (as
scripts/measure-instructions.sh writes them) and prints, for each function of the module
(namespace Qv::), the instructions per decision it costs outside the simulated Windows
and the logging library: its own code, the standard library and C library it calls, and
what its callees cost the same way, but nothing that runs inside a call into
libwinsim.so or libLogging.so. A function shared by several callers (malloc, a string
helper) is shared out in proportion to what each call to it cost. Overloads are listed
together.

    scripts/module-instructions.py PROFILE COUNT [ROWS]
"""
import collections
import re
import sys


def is_sim(obj):
    return obj is not None and re.search(r"/lib(winsim|Logging)\.so", obj) is not None


def read_profile(path):
    exclusive = collections.Counter()
    object_of = {}
    calls = collections.defaultdict(collections.Counter)  # caller -> (callee, object) -> inclusive
    obj = function = called_object = called = None
    in_call = False
    with open(path) as profile:
        for line in profile:
            line = line.rstrip("\n")
            key, _, value = line.partition("=")
            if key == "ob":
                obj = value
            elif key == "fn":
                function = value
                object_of.setdefault(function, obj)
            elif key == "cob":
                called_object = value
            elif key == "cfn":
                called = value
            elif key == "calls":
                in_call = True
            elif line[:1].isdigit():
                cost = int(line.split()[1])
                if in_call:
                    calls[function][(called, called_object or obj)] += cost
                    in_call = False
                    called_object = None
                else:
                    exclusive[function] += cost
    return exclusive, object_of, calls


def main():
    path, count = sys.argv[1], float(sys.argv[2])
    rows = int(sys.argv[3]) if len(sys.argv) > 3 else 20
    exclusive, object_of, calls = read_profile(path)
    inclusive = {f: exclusive[f] + sum(calls[f].values()) for f in object_of}
    outside = {}

    def outside_sim(function):
        if function in outside:
            return outside[function]
        outside[function] = 0  # a cycle adds nothing twice
        total = exclusive[function]
        for (callee, callee_object), cost in calls[function].items():
            if is_sim(callee_object) or not inclusive.get(callee):
                continue
            total += outside_sim(callee) * cost / inclusive[callee]
        outside[function] = total
        return total

    # By name without parameters: overloads (a copy and a move constructor) add up.
    module = collections.Counter()
    for function, obj in object_of.items():
        if function.startswith("Qv::") and not is_sim(obj):
            name = function.replace("(anonymous namespace)", "{anonymous}").split("(")[0].replace("[abi:cxx11]", "")
            module[name] += outside_sim(function)
    for name, cost in module.most_common(rows):
        print(f"  {cost / count:9.0f}  {name}")


if __name__ == "__main__":
    main()
