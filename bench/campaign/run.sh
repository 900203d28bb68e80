#!/usr/bin/env bash
# A campaign of one four-photo listing (the flyer, the press flyer, both postcards, the three social
# pictures: 7 files), warm, median of 9, beside Chromium (`--screenshot` for the social pictures,
# `--print-to-pdf` for the flyer and the card pages) making the same merged pages, one process per
# page. Goal: <= 2.5 s.
# The family is "Gallery" when the installed themes hold all of its formats, else one made here from
# "Gallery - KT401" in the private HOME. Usage: bash bench/campaign/run.sh   (bench/run.sh builds first;
# BENCH_RUNS changes the count)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
[ -n "${LISTORA_BENCH_ISOLATED:-}" ] || bash "$here/../flyer/setup.sh" # Chromium, the peer

# The rest runs in a private HOME and scratch folder (tests/run-isolated.sh), so the benchmark never
# touches the user's settings or documents.
if [ -z "${LISTORA_BENCH_ISOLATED:-}" ]; then
    LISTORA_BENCH_ISOLATED=1 exec bash "$root/tests/run-isolated.sh" bash "$0" "$@"
fi
work="$TMPDIR"
export LISTORA_DATA_DIR="$root/build/share/listora" QT_QPA_PLATFORM=offscreen
cli="$root/build/bin/listora-cli"

family=Gallery
formats=$("$cli" themes | python3 -c '
import json, sys
print(" ".join(sorted({t["format"] for t in json.load(sys.stdin) if t["family"] == "Gallery"})))')
complete=yes
for format in letter link postcard-6x4 postcard-9x6 square story; do
    case " $formats " in *" $format "*) ;; *) complete=no ;; esac
done
case $complete in
yes) ;;
*)
    family=Benchfamily
    themes="$XDG_DATA_HOME/Tarnwick/Listora/Themes"
    for kind in Letter Square Story Link Card6x4 Card9x6; do
        "$cli" theme-new "Benchfamily $kind - B1" --from "Gallery - KT401" >/dev/null
    done
    python3 - "$themes" <<'PY'
import os, re, sys
themes = sys.argv[1]
ini = os.path.join(themes, "Themes.ini")
sizes = {"Letter": (816, 1056), "Square": (1080, 1080), "Story": (1080, 1920), "Link": (1200, 630),
         "Card6x4": (576, 384), "Card9x6": (864, 576)}
back = open(os.path.join(themes, "BenchfamilyLetter-B1", "index.htm"), encoding="utf-8").read()
lines, kind = [], None
for line in open(ini, encoding="utf-8").read().splitlines():
    m = re.match(r"\[Benchfamily (\w+) - B1\]", line)
    if line.startswith("["):
        kind = m.group(1) if m else None
    if kind and line.startswith("Width="):
        line = "Width=%d" % sizes[kind][0]
    elif kind and line.startswith("Height="):
        line = "Height=%d" % sizes[kind][1]
    elif kind and line.startswith("Family="):
        line = "Family=Benchfamily"
        if kind.startswith("Card"):
            folder = "Benchfamily%s-B1" % kind
            # The back: the same page again, so the card has two of the family's pages.
            open(os.path.join(themes, folder, "back.htm"), "w", encoding="utf-8").write(back)
            line += "\nBack=%s\\back.htm" % folder
    lines.append(line)
open(ini, "w", encoding="utf-8").write("\n".join(lines) + "\n")
PY
    ;;
esac

# The listing: four sample photos through the intake, a web address for the QR code.
project="$HOME/listing"
mkdir -p "$project"
samples="$LISTORA_DATA_DIR/Samples"
photos=$("$cli" photos --folder "$project" --slot 1 "$samples/House01-02.jpg" --slot 2 "$samples/House02-01.jpg" \
    --slot 3 "$samples/House03-01.jpg" --slot 4 "$samples/House04-01.jpg")
python3 - "$photos" "$project" "$family" <<'PY' | "$cli" project write "$project/FlyerData.lso"
import json, sys
photos, folder, family = json.loads(sys.argv[1]), sys.argv[2], sys.argv[3]
theme = "Gallery - KT401" if family == "Gallery" else "Benchfamily Letter - B1"
print(json.dumps({"id": "{0B5C2D1E-7A8F-4C3B-9D6E-1F2A3B4C5D6E}", "created": 0, "printed_time": 0, "printed": 0,
    "theme": theme, "font": "", "color": 0x7B7BC0, "caption": "Lakeside Retreat", "mls": "MLS# 202401234567",
    "price": "Offered at $749,000", "address": "27 Willow Bend", "city_state_zip": "Lakeview, OR 97630",
    "description": "Sunny four-bedroom home on a quiet cul-de-sac.", "features": ["4 Bedrooms", "3 Baths",
    "2,450 sq. ft.", "Built 1998"], "photos": [{"path": p, "reserved": "0" * 32} for p in photos],
    "photo_folder": folder, "listing_url": "https://homes.example/27-willow-bend"}))
PY

"$root/build/bin/bench_campaign" --project "$project/FlyerData.lso" --family "$family" \
    --runs "${BENCH_RUNS:-9}" --work "$work"
