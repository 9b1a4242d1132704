#!/usr/bin/env python3
"""Compares what `lumivore info --json` decodes from every corpus file with what the reference
metadata tool read (manifest.json), field by field and vendor by vendor, by meaning: the tool's
vocabulary differs from the panel's, so each field has a small rule that maps both to a meaning.

usage: corpus_agreement.py LUMIVORE CORPUS_DIR [--details]
Prints a table per vendor and field: agree / disagree / only the tool / only Lumivore.
"""
import json
import os
import re
import subprocess
import sys
from collections import defaultdict

# [SECTION] meanings


def focus_meaning(text):
    t = str(text).upper()
    if not t:
        return None
    if t.startswith("MF") or "MANUAL" in t or t in ("M", "3", "6"):
        return "manual"
    if "AF-S" in t or "ONE-SHOT" in t or "SINGLE" in t:
        return "single"
    if "AF-C" in t or "SERVO" in t or "CONTINUOUS" in t:
        return "continuous"
    return "auto"


def onoff(text):
    t = str(text).upper()
    if not t or t in ("N/A",):
        return None
    if t.startswith("OFF") or t == "NONE" or t == "0":
        return "off"
    return "on"


def first_number(text):
    m = re.search(r"-?\d+(\.\d+)?", str(text))
    return float(m.group(0)) if m else None


SYNONYMS = {"sunlight": "daylight", "fine": "daylight", "incandescent": "tungsten", "multi": "wide"}


def words(text):
    return set(SYNONYMS.get(w, w) for w in re.split(r"[^a-z0-9]+", str(text).lower()) if w)


def tool_value(entry, names):
    mk = entry.get("makernote_and_related", {})
    for n in names:
        for k, v in mk.items():
            if k.split(":")[1] == n and not k.startswith(("XMP", "ExifIFD")):
                return v
    return None


def core_value(entry, name):
    vals = entry.get("core", {}).get(name)
    if not vals:
        return None
    for v in vals:
        if v.get("group") in ("IFD0", "ExifIFD"):
            return v
    return vals[0]


# [SECTION] the fields: (name, tool side, our side, compare)
def compare_fields(entry, ours):
    shot = ours.get("shotInfo", {})
    rows = []

    def add(field, tool, mine, agree):
        tool_has = tool is not None and str(tool) != ""
        mine_has = mine is not None and str(mine) != ""
        if not tool_has and not mine_has:
            return
        if tool_has and mine_has:
            state = "agree" if agree() else "disagree"
        elif tool_has:
            state = "tool only"
        else:
            state = "ours only"
        rows.append((field, state, tool, mine))

    mk, md = core_value(entry, "Make"), core_value(entry, "Model")
    if md:
        add("make/model", md["value"], shot.get("cameraModel"), lambda: str(md["value"]).strip() in shot.get("cameraModel", ""))
    lm = core_value(entry, "LensModel")
    lid = core_value(entry, "LensID")
    tool_lens = (lm or lid or {}).get("value")
    add("lens", tool_lens, shot.get("lensModel"),
        lambda: len(words(tool_lens) & words(shot.get("lensModel"))) >= max(1, len(words(tool_lens)) // 2))
    fn = core_value(entry, "FNumber")
    if fn:
        add("aperture", fn["num"], shot.get("apertureText"),
            lambda: abs(float(fn["num"]) - (first_number(shot.get("apertureText", "")) or 0)) < 0.06)
    et = core_value(entry, "ExposureTime")
    if et:
        def shutter_ok():
            t = shot.get("shutterText", "")
            v = float(et["num"])
            if t.startswith("1/"):
                d = first_number(t[2:])
                return d and abs(1 / d - v) / v < 0.06
            return abs((first_number(t) or 0) - v) / v < 0.06
        add("shutter", et["num"], shot.get("shutterText"), shutter_ok)
    iso = core_value(entry, "ISO")
    if iso:
        # Some makers' ISO tag holds two numbers ("0 200"): the last is the sensitivity.
        add("ISO", iso["num"], shot.get("isoText"),
            lambda: str(iso["num"]).split()[-1] == shot.get("isoText"))

    fm = tool_value(entry, ["FocusMode", "AFMode", "FocusMode2"])
    add("focus mode", fm and fm["value"], shot.get("focusMode"),
        lambda: focus_meaning(fm["value"]) == focus_meaning(shot.get("focusMode")) or
        (focus_meaning(shot.get("focusMode")) == "auto" and focus_meaning(fm["value"]) != "manual"))
    area = tool_value(entry, ["AFAreaMode", "AFMode", "AFPointSelected"])
    add("AF area", area and area["value"], shot.get("afArea"),
        lambda: bool(words(area["value"]) & words(shot.get("afArea"))) or focus_meaning(shot.get("focusMode")) == "manual")
    drive = tool_value(entry, ["ContinuousDrive", "ReleaseMode", "DriveMode", "BurstMode", "ShootingMode"])
    if drive is not None:
        dv = str(drive["value"]).upper()
        cont = "CONTINUOUS" in dv or "BURST" in dv
        mine = shot.get("driveMode") or ""
        add("drive", drive["value"], mine or "single",
            lambda: cont == ("CONTINUOUS" in mine.upper() or "BURST" in mine.upper()) and
            (("ANTI-SHOCK" in dv) == ("ANTI-SHOCK" in mine.upper()) or cont))
    seq = tool_value(entry, ["SequenceNumber"])
    if seq is not None and isinstance(seq["num"], (int, float)) and seq["num"] > 0:
        add("sequence number", seq["num"], shot.get("frameNumber") or None, lambda: int(seq["num"]) == int(shot.get("frameNumber")))
    st = tool_value(entry, ["ShutterMode", "ShutterType", "ElectronicFrontCurtainShutter"])
    if st is not None:
        ours_st = {0: "mechanical", 1: "electronic", 2: "efc", 3: "mechanical"}.get(shot.get("shutterType"))
        tv = str(st["value"]).lower()
        tool_st = "efc" if ("front" in tv or "first curtain" in tv or tv == "on") else "electronic" if "electronic" in tv else "mechanical"
        add("shutter type", st["value"], ours_st, lambda: tool_st == ours_st)
    wb = tool_value(entry, ["WhiteBalance", "WhiteBalance2"])
    add("white balance", wb and wb["value"], shot.get("whiteBalance"),
        lambda: bool(words(wb["value"]) & words(shot.get("whiteBalance"))) or
        ("auto" in str(wb["value"]).lower() and "auto" in shot.get("whiteBalance", "").lower()))
    ct = tool_value(entry, ["ColorTemperature", "ColorTempKelvin", "WhiteBalanceTemperature"])
    if ct is not None and isinstance(ct["num"], (int, float)) and ct["num"] > 0:
        m = re.search(r"\((\d+) K\)", shot.get("whiteBalance", ""))
        add("colour temperature", ct["num"], m and m.group(1), lambda: int(m.group(1)) == int(ct["num"]))
    # PictureMode is the exposure program for Fujifilm and Pentax; only Olympus means a look by it.
    style_tags = ["PictureStyle", "FilmMode", "CreativeStyle", "PictureControlName", "ImageTone"]
    if "Olympus:PictureMode" in entry.get("makernote_and_related", {}):
        style_tags.append("PictureMode")
    ps = tool_value(entry, style_tags)
    add("picture style", ps and ps["value"], shot.get("photoStyle"),
        lambda: bool(words(ps["value"]) & words(shot.get("photoStyle"))) or
        (("provia" in str(ps["value"]).lower() or "standard" in str(ps["value"]).lower()) and "standard" in shot.get("photoStyle", "").lower()))
    stab = tool_value(entry, ["ImageStabilization", "VibrationReduction", "ShakeReduction"])
    add("stabilisation", stab and stab["value"], shot.get("stabMode"), lambda: onoff(stab["value"]) == onoff(shot.get("stabMode")))
    for tool_name, ours_name in (("CameraTemperature", "cameraTemp"), ("AmbientTemperature", "ambientTemp"),
                                 ("BatteryTemperature", "batteryTemp"), ("SensorTemperature", "sensorTemp")):
        t = tool_value(entry, [tool_name])
        mine = shot.get(ours_name)
        add(tool_name.replace("Temperature", " temp.").lower(), t and t["num"], mine,
            lambda: abs(float(first_number(t["num"])) - float(mine)) <= 0.6)
    sc = tool_value(entry, ["ShutterCount"])
    add("shutter count", sc and sc["num"], shot.get("shutterCount"), lambda: str(sc["num"]) == shot.get("shutterCount"))
    return rows


def vendor_of(entry, ours):
    v = ours.get("shotInfo", {}).get("vendor") or ""
    if v:
        return v
    mk = core_value(entry, "Make")
    return "(none: " + (mk["value"] if mk else "no Make") + ")"


def main():
    if len(sys.argv) < 3:
        print(__doc__)
        return 2
    exe, corpus = sys.argv[1], sys.argv[2]
    details = "--details" in sys.argv
    entries = []
    for mf in ("manifest.json", os.path.join("derived", "manifest-exvjpeg.json")):
        path = os.path.join(corpus, mf)
        if os.path.exists(path):
            entries += json.load(open(path))["files"]
    table = defaultdict(lambda: defaultdict(lambda: defaultdict(int)))
    notes = []
    for e in entries:
        f = os.path.join(corpus, e["file"])
        if f.endswith((".xmp", ".exv")) or not os.path.exists(f):
            continue
        out = subprocess.run([exe, "info", "--json", f], capture_output=True, text=True, errors="replace")
        try:
            ours = json.loads(out.stdout)[0]
        except (ValueError, IndexError):
            notes.append((e["file"], "lumivore info failed: " + out.stderr.strip()))
            continue
        vendor = vendor_of(e, ours)
        for field, state, tool, mine in compare_fields(e, ours):
            table[vendor][field][state] += 1
            if state != "agree":
                notes.append((e["file"], f"{field}: {state}: tool={tool!r} ours={mine!r}"))
    print(f"{'vendor':22} {'field':20} {'agree':>5} {'differ':>6} {'tool only':>9} {'ours only':>9}")
    for vendor in sorted(table):
        for field, c in table[vendor].items():
            print(f"{vendor:22} {field:20} {c['agree']:5} {c['disagree']:6} {c['tool only']:9} {c['ours only']:9}")
    if details:
        print()
        for f, n in notes:
            print(f"{f}: {n}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
