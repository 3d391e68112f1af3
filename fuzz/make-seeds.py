#!/usr/bin/env python3
"""Writes the seed corpora under fuzz/corpus. Rule seeds follow the layout the rule
fuzzer reads with FuzzedDataProvider: strings from the front (a lone backslash ends
one, a doubled one is a backslash), choices from the back, last byte first."""
import pathlib
import struct

ROOT = pathlib.Path(__file__).resolve().parent / "corpus"


def write(target, name, data):
    folder = ROOT / target
    folder.mkdir(parents=True, exist_ok=True)
    (folder / name).write_bytes(data if isinstance(data, bytes) else data.encode("latin-1"))


def text(value):
    return value.replace("\\", "\\\\").encode("latin-1") + b"\\ "


def rule_seed(element, value, minimum=None, maximum=None, rpc=False):
    """value: a str (boxed string), float (boxed double), bool or None (null box)."""
    front = text(element)
    back = [1 if rpc else 0, 1]  # consumed from the end: rpc flag, element present (non-zero)
    back.append(1 if minimum is not None else 0)
    if minimum is not None:
        front += text(minimum)
    back.append(1 if maximum is not None else 0)
    if maximum is not None:
        front += text(maximum)
    tail = b""
    if value is None:
        back.append(0)
    elif isinstance(value, bool):
        back.append(2)
        back.append(1 if value else 0)
    elif isinstance(value, float):
        back.append(1)
        tail = struct.pack("<d", value)  # only a starting point: the fuzzer reshapes it
    else:
        back.append(4)
        front += text(value)
    return front + tail + bytes(reversed(back))


def main():
    for i, item in enumerate(["a,b,c", "a,,b", ",", "", "C:\\Program Files\\,%windir%\\", "1,2.5,true,"]):
        write("fuzz_comma_list", f"seed{i}", item)
    for i, item in enumerate(["C:\\temp\\..\\x", "..\\x", "%windir%\\..\\x", "https://a/../b",
                              "\\\\server\\share", "%(x)|y%\\..", "c:x\x00\\.."]):
        write("fuzz_value_safety", f"seed{i}", item)
    rules = {
        "regex": [("[a-z]+", "abc"), ("(a*)*c", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"), ("(", "("), (".*", "C:\\a\\..\\b"),
                  ("\\.\\.\\\\x", "..\\x")],
        "contained_in_list": [("a,b,c", "b"), ("1,2.5,true", 2.5), ("1,2.5,true", True), ("a,,b", "")],
        "begins_with_from_list": [("C:\\Program Files\\", "c:\\program files\\x"), ("a,,b", "zzz"),
                                  ("C:\\", "C:\\..\\x")],
        "begins_with_from_list_with_env_vars": [("%windir%", "C:\\Windows\\System32\\x.dll"),
                                                ("%ProgramFiles%\\,%NOPE%", "%windir%\\..\\x"),
                                                (",", "x")],
        "numeric_range": [("", 5.0, "1", "10"), ("", 10.9, "1", "10"), ("", 0.5, "abc", None),
                          ("", -1000.0, None, "10"), ("", 5.0, "99999999999", None)],
    }
    for rule, cases in rules.items():
        for i, case in enumerate(cases):
            element, value, *bounds = case
            minimum, maximum = (bounds + [None, None])[:2]
            write(f"fuzz_rule_{rule}", f"seed{i}", rule_seed(element, value, minimum, maximum, rpc=i % 2 == 1))
    for i, item in enumerate(["/s C:\\Windows\\System32\\x.dll", "/s /u", "\"C:\\Program Files\\A B\\y.dll\" x.dll", "/s a.dll b.dll", "-s a.dll",
                              "\"C:\\Program Files\\x.dll\"", "/i:\"a b\" x.dll", ""]):
        write("fuzz_regsvr32_arguments", f"seed{i}", item)
    for i, item in enumerate(["C:\\Windows\\System32\\x.dll,Entry 1 2", "\"C:\\Program Files\\A B\\y.dll\",Entry",
                              "", "\"\"", ",Entry", "a\\\\\"b,c"]):
        write("fuzz_rundll32_arguments", f"seed{i}", item)


if __name__ == "__main__":
    main()
