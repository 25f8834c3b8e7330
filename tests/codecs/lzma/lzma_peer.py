#!/usr/bin/env python3
"""The interop tests' peer: raw LZMA/LZMA2 streams through Python's lzma module.

  check                                       exits 0 when the module is present
  encode-lzma2 IN OUT DICT PRESET LC LP PB    writes a raw LZMA2 stream of IN
  encode-lzma1 IN OUT DICT PRESET LC LP PB    writes a raw LZMA stream (with an end marker)
  encode-alone IN OUT PRESET                  writes a .lzma file (13-byte header, end marker)
  decode-lzma2 IN OUT DICT                    decodes a raw LZMA2 stream
"""
import sys


def main(argv):
    import lzma

    command = argv[1]
    if command == "check":
        return 0
    source = open(argv[2], "rb").read()
    target = argv[3]
    if command in ("encode-lzma2", "encode-lzma1"):
        dict_size, preset, lc, lp, pb = (int(a) for a in argv[4:9])
        filter_id = lzma.FILTER_LZMA2 if command == "encode-lzma2" else lzma.FILTER_LZMA1
        filters = [{"id": filter_id, "preset": preset, "dict_size": dict_size, "lc": lc, "lp": lp, "pb": pb}]
        result = lzma.compress(source, format=lzma.FORMAT_RAW, filters=filters)
    elif command == "encode-alone":
        result = lzma.compress(source, format=lzma.FORMAT_ALONE, preset=int(argv[4]))
    elif command == "decode-lzma2":
        filters = [{"id": lzma.FILTER_LZMA2, "dict_size": int(argv[4])}]
        result = lzma.decompress(source, format=lzma.FORMAT_RAW, filters=filters)
    else:
        return 2
    with open(target, "wb") as out:
        out.write(result)
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main(sys.argv))
    except ImportError:
        sys.exit(3)
