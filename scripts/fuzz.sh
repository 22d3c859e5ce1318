#!/bin/sh
# Builds the ID3 fuzzer with clang, sanitizers and libFuzzer in build-fuzz/ and runs it for the
# given number of seconds (default 60). Findings land in build-fuzz/findings/.
#   scripts/fuzz.sh [SECONDS] [extra libFuzzer options...]
set -eu
seconds=${1:-60}
[ $# -gt 0 ] && shift
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-fuzz"

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTAGWRIGHT_BUILD_FUZZERS=ON -DTAGWRIGHT_SANITIZE=ON -DTAGWRIGHT_BUILD_TESTS=OFF \
  -DTAGWRIGHT_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build "$build" --target id3_fuzzer -j2

corpus="$build/corpus"
findings="$build/findings"
mkdir -p "$corpus" "$findings"
# Seeds: small tags of each version and layout, made here so that nothing binary is kept in git.
python3 - "$corpus" <<'PY'
import os, struct, sys
out = sys.argv[1]
def syncsafe(n): return bytes([(n >> 21) & 0x7F, (n >> 14) & 0x7F, (n >> 7) & 0x7F, n & 0x7F])
def f23(i, c, fl=b"\0\0"): return i + struct.pack(">I", len(c)) + fl + c
def f24(i, c, fl=b"\0\0"): return i + syncsafe(len(c)) + fl + c
def f22(i, c): return i + struct.pack(">I", len(c))[1:] + c
def tag(v, body, pad=16, flags=0): return b"ID3" + bytes([v, 0, flags]) + syncsafe(len(body) + pad) + body + b"\0" * pad
audio = bytes([0xFF, 0xFB, 0x90, 0x64]) + bytes(range(60))
def frames(n): return (bytes([0xFF, 0xFB, 0x90, 0x64]) + bytes((i * 7) & 0x7F for i in range(413))) * n
def lame(method): return b"LAME3.100" + bytes([0x40 | method, 0x50]) + bytes(10) + bytes([0x24, 0x24, 0x02, 0x40, 0x3C]) + bytes(12)
def xing(kind, method):
  body = kind + struct.pack(">III", 15, 80, 33360) + bytes(range(100)) + struct.pack(">I", 50) + lame(method)
  return (bytes([0xFF, 0xFB, 0x90, 0x64]) + bytes(32) + body).ljust(417, b"\0")
def vbri(): return (bytes([0xFF, 0xFB, 0x90, 0x64]) + bytes(32) + b"VBRI" + struct.pack(">HHHIIHHHH", 1, 1500, 75, 2085, 5, 0, 1, 2, 1)).ljust(417, b"\0")
def ape():
  item = struct.pack("<II", 5, 0) + b"Title\0Hello"
  part = lambda flags: b"APETAGEX" + struct.pack("<IIII", 2000, len(item) + 32, 1, flags) + bytes(8)
  return part(0xA0000000) + item + part(0x80000000)
trailer = b"TAG" + b"Title".ljust(30) + b"Artist".ljust(30) + b"Album".ljust(30) + b"1999" + b"Comment".ljust(28) + b"\0\x07\x11"
seeds = {
  "v23": tag(3, f23(b"TIT2", b"\0Song") + f23(b"TPE1", b"\x01\xff\xfeA\0B\0") + f23(b"TRCK", b"\x003/12") +
              f23(b"COMM", b"\0engiTunNORM\0 1 2") + f23(b"COMM", b"\0eng\0Nice") + f23(b"APIC", b"\0image/png\0\x03\0PNGDATA") +
              f23(b"TCON", b"\0(17)") + f23(b"WXXX", b"\0d\0http://x")) + audio + trailer,
  "v24": tag(4, f24(b"APIC", b"\x03image/png\0\x03d\xc3\xa9\0PNG") + f24(b"TIT2", b"\x03\xc3\x89t\xc3\xa9\0B\0") +
              f24(b"TXXX", b"\x03k\0v") + f24(b"TPOS", syncsafe(4) + b"\x001/2", b"\0\x01") +
              f24(b"PRIV", b"o\0\xff\0\x01", b"\0\x02") + f24(b"TDRC", b"\x032004-05-06") + f24(b"TCON", b"\x0317")) + audio,
  "tcon-not-reference": tag(3, f23(b"TIT2", b"\0Song") + f23(b"TCON", b"\0)1(7]") + f23(b"TCON", b"\0(4)((x")) + audio,
  "v24unsync": tag(4, f24(b"TIT2", b"\0\xff\0\xe0X"), 4, 0x80) + audio,
  "v24ext": tag(4, syncsafe(6) + b"\x01\0" + f24(b"TALB", b"\x02\0A\0B"), 8, 0x40) + audio,
  "v23ext": tag(3, struct.pack(">I", 6) + b"\0" * 6 + f23(b"TIT2", b"\0Ext"), 8, 0x40) + audio,
  "v23unsync": tag(3, f23(b"TIT2", b"\x01\xff\0\xfeA\0"), 4, 0x80) + audio,
  "v22": tag(2, f22(b"TT2", b"\0Old") + f22(b"COM", b"\0eng\0c") + f22(b"PIC", b"\0PNG\0\0xx")) + audio + trailer,
  "footer": tag(4, f24(b"TIT2", b"\0F"), 0, 0x10) + b"3DI\x04\0\x10" + syncsafe(12) + audio,
  "v1": audio + trailer,
  # Audio with an encoder's header in its first frame (Xing with LAME, Info, VBRI), behind a tag,
  # junk, or before an APE tag, for the audio facts.
  "audio-lame-vbr": tag(3, f23(b"TIT2", b"\0Song")) + xing(b"Xing", 3) + frames(4),
  "audio-info-junk": b"\xff\xfb\x00junk\xff\xe0" * 20 + xing(b"Info", 1) + frames(3) + trailer,
  "audio-vbri": vbri() + frames(3),
  "audio-ape": frames(5) + ape() + trailer,
  "audio-mpeg25-mono": (bytes([0xFF, 0xE3, 0x18, 0xC4]) + bytes(68)) * 3,
  # Found by the fuzzer: a save of the title alone changed another field as read back.
  "found-comment-under-empty-one": bytes.fromhex(
    "4944330300000000012f5449543200000005000000536f6e675450453100000007000001fffe41004200545945520000"
    "0005000000332f3132434f4d4d00000011000000656e6797ab8a874e4f524d0020312032434f4d4d00000009000c0000"
    "00000000000000656e67004e6963654150494300000014000000696d6167652f706e67000300504e4744415441545243"
    "4b0000000500000028313729575858580000000b0000006400687474703a2f2f780000003f0000000000000000000000"
    "00fffb9064000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f202122232425262728292a"
    "2b15161718191a1b1c1d1e0711"),
  "found-genre-blank-in-front": bytes.fromhex(
    "4944330300000000012f5449acce00000005000000536f6e675450453000000007000001fffe410000544252434b0000"
    "0005000000332f31325449543000000011000000656e676954756e4e4f524d062031203254434f4d0000000900000065"
    "6e67004e6963654150494300000014000000696d6167652f706567000300504e474441544154434f4e0000002b050000"
    "00d83038290b570058005858000000006400687474703a2f2f7800000000000000000000000000000000fffb90640001"
    "02030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f202122232425262728296a2b2c2d2e2f3031"
    "32333435363738393a3b5441475469746c65202020202020202020202020202020202020202020202020204172746973"
    "74202020202020202020202020202020202020202020202020416c62756d2020202020202018202014000000696d6167"
    "652f706e67000300504e474441544154434f4e00000005000000d84441544154434f2020202020000711"),
  "found-link-under-empty-one": bytes.fromhex(
    "4944330300000000012f5449543200000005000000536f6e675450453100000007000001fffe410042005452434b0000"
    "0005000000332f3132434f4d4d00000011000000656e6797ab8a874e4f524d0020312032434f4d4d0000000900000065"
    "6e67104e6963654150494300000014000000696d6167652f706e67000300504e47444154415758585800000005000000"
    "28313729575858580000000b0000006449443302000000000034545432000004004f6c64434f4d00000604656e650063"
    "50494300490100fffd524d00e0cedfcdbcb0af570000000000080800504e474300000000000900007800494433040065"
    "6e67000a0b0c0d0e0f101112131415161718191a1b1c1d05060708090a0b0c0d0e0f1011120068747470202020202027"
    "202020202020202013141516052a2b2c2d2e2020202020202a202020205441475469746c652020203092ff0001544452"
    "43003304001000000000000c202020417274697374202020202020"),
  "found-trailer-over-the-tag": bytes.fromhex(
    "4944330300000000012f5449543200000005000000536f6e675450453100004300000000001e00000000000042005452"
    "434b00000005000000332f3132434f4d4d0000810000000000000000110102030405060708090a0b0c0d0e0f10111213"
    "1415161718191a1b1c1d1e1f202122232425262728296a2b2c2d2e2f303132333435363738393a3b5441475469746c65"
    "202020202020202020202020202020202020202020202020204112746973742020202020202020202020202020202020"
    "20202020202020416c62756d202020202020202020202020205be0dfdfe820202020204e47444154756e4e4f524d0020"
    "30203211"),
  "found-trailer-blank-at-end": tag(3, f23(b"TIT2", b"\0Song")) + audio +
      b"TAG" + b"Song".ljust(30) + (b"Artist".ljust(29) + b"\x16") + b"  Album".ljust(30) + b"1999" +
      b"Comment ".ljust(28) + b"\0\x07\x11",
}
for name, data in seeds.items():
    with open(os.path.join(out, "seed-" + name), "wb") as f:
        f.write(data)
PY

cd "$findings"
"$build/fuzz/id3_fuzzer" "$corpus" -max_total_time="$seconds" -max_len=16384 -timeout=10 \
  -print_final_stats=1 "$@"
