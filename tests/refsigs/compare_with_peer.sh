#!/usr/bin/env bash
# The reference engine's verdicts side by side with the peer scanner's
# (clamscan, run natively) on the same files with the same signature files:
# Debian's clamav-testfiles plus a few archives made here. On every file of a
# format the engine unpacks (ZIP with stored or deflate members, gzip, tar,
# nested) the two must agree; the other rows are printed for information.
#
#   compare_with_peer.sh <RodeRedudScan.exe> <work folder>
#
# The peer's archive depth is set to the engine's (8 archives deep: the peer
# counts the outermost file as one more level). Nothing is downloaded: the
# peer reads only the signature files written here.
set -euo pipefail
SCANNER="$1"
WORK="$2"
TESTFILES=/usr/share/clamav-testfiles
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

if ! command -v clamscan >/dev/null || [ ! -f "$TESTFILES/clam.exe" ]; then
  echo "clamscan or $TESTFILES missing: run scripts/bootstrap.sh (packages clamav, clamav-testfiles)" >&2
  exit 1
fi
if [ -z "${WINEPREFIX:-}" ]; then
  # shellcheck source=../../scripts/env.sh
  source "$HERE/../../scripts/env.sh"
fi

rm -rf "$WORK"
mkdir -p "$WORK/sigs" "$WORK/files"
# The peer's public test signature, and a body signature with wildcards for
# the archives made below.
echo "71e7b604d18aefd839e51a39c88df8383bb4c071dc31f87f00a2b5df580d4495:544:ClamAV-Test-File" >"$WORK/sigs/test.hsb"
echo "Peer.Body.Test:0:*:52522d50454552{-4}4d41524b*2d??2d3031" >"$WORK/sigs/test.ndb"

cp "$TESTFILES"/* "$WORK/files/"
python3 - "$WORK/files" <<'EOF'
import gzip, io, os, sys, tarfile, zipfile
out = sys.argv[1]
clam = open(os.path.join(out, "clam.exe"), "rb").read()
marker = b"text before RR-PEERxxMARK and then -x-01 after"

def zipped(members, method=zipfile.ZIP_DEFLATED):
    b = io.BytesIO()
    with zipfile.ZipFile(b, "w", method) as z:
        for name, data in members:
            z.writestr(name, data)
    return b.getvalue()

def tarred(members):
    b = io.BytesIO()
    with tarfile.open(fileobj=b, mode="w", format=tarfile.USTAR_FORMAT) as t:
        for name, data in members:
            info = tarfile.TarInfo(name)
            info.size = len(data)
            t.addfile(info, io.BytesIO(data))
    return b.getvalue()

def nested(levels, payload):
    data = payload
    for i in range(levels):
        data = zipped([("level%d.zip" % i if i else "clam.exe", data)])
    return data

made = {
    "gen-stored.zip": zipped([("readme.txt", b"hello"), ("clam.exe", clam)], zipfile.ZIP_STORED),
    "gen-deflate.zip": zipped([("clam.exe", clam)]),
    "gen-clam.exe.gz": gzip.compress(clam),
    "gen-clam.tar": tarred([("dir/clam.exe", clam)]),
    "gen-zip-in-tgz.tgz": gzip.compress(tarred([("inner.zip", zipped([("clam.exe", clam)]))])),
    "gen-depth8.zip": nested(8, clam),
    "gen-depth9.zip": nested(9, clam),
    "gen-marker.zip": zipped([("notes.txt", marker)]),
    "gen-marker.txt.gz": gzip.compress(marker),
    "gen-marker-far.tar": tarred([("far.txt", b"RR-PEERMARK" + b"z" * 100000 + b"-y-01")]),
    "gen-marker-near-miss.zip": zipped([("miss.txt", b"RR-PEERxxxxxMARK -x-01")]),
    "gen-clean.zip": zipped([("a.txt", b"nothing to see" * 100), ("b.txt", b"still nothing")]),
    "gen-clean.tar.gz": gzip.compress(tarred([("c.txt", b"clean text")])),
}
for name, data in made.items():
    with open(os.path.join(out, name), "wb") as f:
        f.write(data)
EOF

clamscan --no-summary --max-recursion=9 -d "$WORK/sigs" "$WORK/files" >"$WORK/peer.txt" 2>"$WORK/peer.err" || true
WINDIR_FILES="Z:$(echo "$WORK/files" | tr '/' '\\')"
WINDIR_SIGS="Z:$(echo "$WORK/sigs" | tr '/' '\\')"
wine "$SCANNER" "$WINDIR_SIGS" "$WINDIR_FILES" >"$WORK/engine.txt" 2>"$WORK/engine.err" </dev/null || true

python3 - "$WORK" <<'EOF'
import gzip, io, os, sys, tarfile, zipfile
work = sys.argv[1]
files = os.path.join(work, "files")

def verdicts(path):
    out = {}
    for line in open(path, encoding="utf-8", errors="replace"):
        line = line.rstrip("\r\n")
        if ": " not in line:
            continue
        name, verdict = line.rsplit(": ", 1)
        base = name.split(">")[0].replace("\\", "/").split("/")[-1]
        if verdict.endswith(" FOUND"):
            out[base] = verdict[:-6].replace(".UNOFFICIAL", "")
        elif verdict == "OK":
            out[base] = "-"
        else:
            out[base] = verdict
    return out

def unpacked(data, depth=0):
    """True when the engine reads this all the way down (ZIP stored/deflate, gzip, tar)."""
    if depth > 20:
        return False
    if data[:4] == b"PK\x03\x04":
        try:
            z = zipfile.ZipFile(io.BytesIO(data))
            return all(i.compress_type in (0, 8) and not i.flag_bits & 1 and unpacked(z.read(i), depth + 1)
                       for i in z.infolist() if not i.is_dir())
        except Exception:
            return False
    if data[:3] == b"\x1f\x8b\x08":
        try:
            return unpacked(gzip.decompress(data), depth + 1)
        except Exception:
            return False
    if len(data) >= 512 and data[257:262] == b"ustar":
        try:
            t = tarfile.open(fileobj=io.BytesIO(data))
            return all(unpacked(t.extractfile(m).read(), depth + 1) for m in t.getmembers() if m.isfile())
        except Exception:
            return False
    # Not an archive: fine inside one, but on its own not a format that is unpacked.
    return depth > 0 and not data.startswith((b"7z\xbc\xaf", b"Rar!", b"MSCF", b"BZh", b"\x60\xea"))

peer = verdicts(os.path.join(work, "peer.txt"))
engine = verdicts(os.path.join(work, "engine.txt"))
rows, bad, compared = [], 0, 0
for name in sorted(os.listdir(files)):
    data = open(os.path.join(files, name), "rb").read()
    cmp = unpacked(data)
    p, e = peer.get(name, "(none)"), engine.get(name, "(none)")
    if cmp:
        compared += 1
        agree = (p == "-") == (e == "-") and "(none)" not in (p, e) and "ERROR" not in e
        bad += not agree
        mark = "agree" if agree else "DIFFER"
    else:
        mark = "(a format the engine does not unpack)"
    rows.append((name, p, e, mark))
w = max(len(r[0]) for r in rows)
print("%-*s  %-26s  %-26s  %s" % (w, "file", "clamscan", "engine", ""))
for r in rows:
    print("%-*s  %-26s  %-26s  %s" % (w, *r))
print("%d files compared, %d differ" % (compared, bad))
for f in ("peer.err", "engine.err"):
    text = open(os.path.join(work, f), errors="replace").read().strip()
    if text:
        print("--- %s\n%s" % (f, text))
sys.exit(1 if bad or compared < 10 else 0)
EOF
