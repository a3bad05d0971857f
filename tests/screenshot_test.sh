#!/bin/sh
# Runs the program on the demo capture on a virtual screen for a few seconds, photographs the
# screen, checks that the picture holds a drawn window (not one flat colour), then closes the
# program as a user would (Ctrl+X) and checks that it ended well and wrote its colour file.
# Arguments: the program, the directory of its data files (with demo.pcap), the PNG to write.
# Exit 77 (skipped) when the virtual screen or the X tools are not installed.
set -u
prog=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
data=$2
out=$3
for tool in xvfb-run xauth xdotool import identify python3; do
  command -v "$tool" >/dev/null 2>&1 || { echo "$tool is not installed: skipped"; exit 77; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '[1.6]\ncfdump=%s/cfdump.bin\nfocus=Ethernet\n' "$work" >"$work/nodewren.ini"
# A focus that colours the demo's everyday protocols, so the links show their colours.
python3 - "$work/cfdump.bin" <<'PY'
import colorsys, struct, sys
words = []
for k in range(33):
    r, g, b = colorsys.hsv_to_rgb(k / 33, 1.0, 1.0)
    words.append(int(r * 255) | int(g * 255) << 8 | int(b * 255) << 16)
data = struct.pack("<I", 33) + b"".join(struct.pack("<I", w) for w in words)
entries = [("ROOT\\ETHERNET\\ETHER2\\IP\\TCP", 0), ("ROOT\\ETHERNET\\ETHER2\\IP\\UDP", 11),
           ("ROOT\\ETHERNET\\ETHER2\\ARP", 22), ("ROOT\\ETHERNET\\ETHER2\\IP", 5)]
data += b"Ethernet\n" + struct.pack("<I", len(entries))
for path, colour in entries:
    data += path.encode() + b"\n" + struct.pack("<I", colour)
open(sys.argv[1], "wb").write(data)
PY

# Root may capture live: without the capture capabilities the demo stands in for the adapter.
drop=""
if [ "$(id -u)" -eq 0 ] && command -v setpriv >/dev/null 2>&1; then
  drop="setpriv --inh-caps=-net_raw,-net_admin --bounding-set=-net_raw,-net_admin"
fi

cat >"$work/inside.sh" <<INSIDE
cd "$data" || exit 1
NODEWREN_CONFIG="$work/nodewren.ini" $drop "$prog" "$data/demo.pcap" >"$work/log" 2>&1 &
pid=\$!
win=""
# A busy machine may take a while to start it.
for i in \$(seq 300); do
  win=\$(xdotool search --onlyvisible --name '^Nodewren' 2>/dev/null | head -n 1)
  [ -n "\$win" ] && break
  sleep 0.2
done
if [ -z "\$win" ]; then echo "no main window appeared"; kill \$pid; exit 1; fi
# Read at start-up before the window: what is there at the end, shutdown wrote.
rm -f "$work/cfdump.bin"
sleep 6
import -window root "$out" || { kill \$pid; exit 1; }
xdotool windowfocus --sync "\$win"
xdotool key --clearmodifiers ctrl+x
for i in \$(seq 100); do kill -0 \$pid 2>/dev/null || break; sleep 0.2; done
if kill -0 \$pid 2>/dev/null; then echo "the program did not end on Ctrl+X"; kill \$pid; exit 1; fi
wait \$pid
INSIDE

xvfb-run -a -s "-screen 0 1280x800x24" sh "$work/inside.sh"
rc=$?
cat "$work/log"
[ "$rc" -eq 0 ] || { echo "run failed with $rc"; exit 1; }

set -- $(identify -format '%w %h %k' "$out")
echo "screenshot $out: $1 x $2, $3 colours"
[ "$1" -eq 1280 ] && [ "$2" -eq 800 ] || { echo "unexpected size"; exit 1; }
# Hosts, labels, protocol colours, panels: a drawn window has far more than a handful.
[ "$3" -ge 32 ] || { echo "too few colours for a drawn window"; exit 1; }
grep -q "ROOT.ETHERNET.ETHER2.ARP" "$work/cfdump.bin" || { echo "the colour and focus file was not written back"; exit 1; }
