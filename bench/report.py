#!/usr/bin/env python3
"""Measures Lumivore beside the tools photographers use, on one shoot, and writes report.md with
plots (bench/run-all.sh runs it after building and making the shoot).

Every figure is a row: what was measured, Lumivore's value, the peer's value and the ratio
(how many times faster Lumivore is; below 1 it is slower). Times are wall-clock on a shared
machine, so the load average before and after is part of the report."""
import argparse
import configparser
import json
import os
import platform
import re
import shutil
import subprocess
import sys
import tempfile
import time

ROWS = []    # (group, what, ours, peer name, peer value, unit, higher is better)
NOTES = []
SPREADS = {}  # plot name -> [(label, {min, median, p95, max})]
SCALING = {}  # series -> [(photos, seconds)]


def note(text):
    NOTES.append(text)
    print("note:", text)


def have(tool):
    return shutil.which(tool) is not None


def run(cmd, timeout=900, **kw):
    return subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, timeout=timeout, **kw)


def timed(cmd, timeout=900, shell=False):
    t = time.perf_counter()
    r = subprocess.run(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=timeout, shell=shell)
    return time.perf_counter() - t, r.returncode


def best_of(cmd, n, shell=False):
    return min(timed(cmd, shell=shell)[0] for _ in range(n))


def row(group, what, ours, peer, peer_value, unit, higher_better=False):
    ROWS.append((group, what, ours, peer, peer_value, unit, higher_better))


def photos_in(folder):
    ext = (".jpg", ".jpeg", ".cr2", ".cr3", ".nef", ".arw", ".dng", ".orf", ".raf", ".rw2", ".pef")
    return sorted(os.path.join(folder, f) for f in os.listdir(folder) if f.lower().endswith(ext))


def distinct(files):
    """One file of each size: the shoot's copies are the same bytes."""
    seen, out = set(), []
    for f in files:
        s = os.path.getsize(f)
        if s not in seen:
            seen.add(s)
            out.append(f)
    return out


def drop(build, files):
    if files:
        run([os.path.join(build, "bench_viewer"), "drop"] + files)


# [SECTION] measurements

def metadata(a, files):
    out = run([os.path.join(a.build, "bench_photometa"), a.shoot]).stdout
    m = re.search(r"readPhotoMeta:\s+([\d.]+) files/s", out)
    if not m:
        note("bench_photometa gave no figure")
        return
    ours = float(m.group(1))
    for tool in ("exiv2 -pa", "exiftool -fast"):
        p = re.search(re.escape(tool) + r":\s+([\d.]+) files/s", out)
        if p:
            row("metadata", "readPhotoMeta over the shoot, batch", ours, tool + " (batch)", float(p.group(1)), "files/s", True)
        else:
            note(tool.split()[0] + " is missing: no metadata peer")
    sample = files[:: max(1, len(files) // (6 if a.quick else 20))]
    t0 = time.perf_counter()
    for f in sample:
        run([os.path.join(a.build, "lumivore"), "info", f, "--json"])
    ours_pf = len(sample) / (time.perf_counter() - t0)
    for tool, args in (("exiv2 -pa", ["exiv2", "-pa"]), ("exiftool -fast", ["exiftool", "-fast"])):
        if not have(args[0]):
            continue
        t0 = time.perf_counter()
        for f in sample:
            run(args + [f])
        row("metadata", "lumivore info per file (a process each)", ours_pf, tool + " (per file)",
            len(sample) / (time.perf_counter() - t0), "files/s", True)


def previews(a):
    # Per file against a process per file: the shoot's distinct files, not every copy.
    out = run([os.path.join(a.build, "bench_preview"), a.tmp_distinct, "3"], timeout=1800).stdout
    m = re.search(r"ours ([\d.]+) ms cold and ([\d.]+) ms warm in total", out)
    if not m:
        note("bench_preview gave no figure")
        return
    warm = float(m.group(2))
    n = len(os.listdir(a.tmp_distinct))
    for tool in ("exiv2 -ep", "exiftool", "dcraw -e"):
        p = re.search(re.escape(tool) + r"\s+([\d.]+) ms over the (\d+) files", out)
        if p:
            peer = {"exiftool": "exiftool -b -PreviewImage"}.get(tool, tool)
            row("previews", "locate and read the preview (warm, per file)", warm / n, peer,
                float(p.group(1)) / int(p.group(2)), "ms")
        else:
            note(tool + " is missing or handled none of the files")
    row("previews", "the same, page cache dropped first (per file)", float(m.group(1)) / n, "", None, "ms")


def decoding(a):
    jpg = os.path.join(a.out, "24mp.jpg")
    if not os.path.exists(jpg):
        note("no 24-megapixel JPEG: decoding skipped")
        return
    out = run([os.path.join(a.build, "bench_decode"), jpg, "1920x1080", "3" if a.quick else "6"]).stdout
    m = re.search(r"best ([\d.]+) ms", out)
    if not m:
        note("bench_decode gave no figure")
        return
    ours = float(m.group(1))
    if have("djpeg"):
        peer = best_of("djpeg -scale 3/8 -bmp '%s' >/dev/null" % jpg, 3 if a.quick else 6, shell=True) * 1000
        row("decoding", "24 MP preview to 1920x1080 (decode, scale, filter)", ours,
            "djpeg -scale 3/8 (no final filter)", peer, "ms")
    else:
        row("decoding", "24 MP preview to 1920x1080", ours, "", None, "ms")
        note("djpeg is missing (libjpeg-turbo-progs)")


def spread_of(section):
    return {k: float(section[k]) for k in ("minMs", "medianMs", "p95Ms", "maxMs")}


def stepping(a, files):
    lv = os.path.join(a.build, "lumivore")
    steps = "40" if a.quick else "150"
    runs = []
    drop(a.build, files)
    for label in ("cold (page cache dropped)", "warm"):
        r = run([lv, "view", a.shoot, "--steps", steps, "--rate", "10", "--json"])
        try:
            j = json.loads(r.stdout)
        except ValueError:
            note("lumivore view failed: " + r.stderr.strip()[:200])
            return
        runs.append((label, j))
    for label, j in runs:
        SPREADS.setdefault("stepping", []).append(("held key, " + label + ", all", spread_of(j["all"])))
        if j["hit"]["steps"]:
            SPREADS["stepping"].append(("  prefetched hits (%d)" % j["hit"]["steps"], spread_of(j["hit"])))
        if j["miss"]["steps"]:
            SPREADS["stepping"].append(("  misses (%d)" % j["miss"]["steps"], spread_of(j["miss"])))
        row("stepping", "held arrow key, %s: median key to pixels" % label, j["all"]["medianMs"], "", None, "ms")
        row("stepping", "held arrow key, %s: p95" % label, j["all"]["p95Ms"], "", None, "ms")
        for part in ("hit", "miss"):
            if j[part]["steps"]:
                row("stepping", "held arrow key, %s: median of the %d %ss" % (label, j[part]["steps"], part),
                    j[part]["medianMs"], "", None, "ms")
    ini = os.path.join(a.out, "bench_last.linux.ini")
    r = run([lv, "view", a.shoot, "--bench", "--cache-mode", "disk", "--cache-root", os.path.join(a.tmp, "cache"),
             "-o", ini, "--force"])
    if r.returncode != 0:
        note("lumivore view --bench failed: " + r.stderr.strip()[:200])
        return
    a.linux_bench = read_bench(ini)
    for s in ("StepCached", "StepPrefetched", "StepCold", "JumpEnd", "Locate", "Read", "DecodeScale", "ShotInfo",
              "RotateDraw", "ThumbStep"):
        sec = a.linux_bench.get(s)
        if sec and int(sec["Count"]):
            SPREADS.setdefault("bench script (lumivore view --bench, disk mode)", []).append(
                ("%s (%s)" % (s, sec["Count"]), {k: float(sec[v]) for k, v in
                                                 (("minMs", "MinMs"), ("medianMs", "MedianMs"), ("p95Ms", "P95Ms"),
                                                  ("maxMs", "MaxMs"))}))


def read_bench(path):
    c = configparser.ConfigParser(interpolation=None)
    c.optionxform = str
    with open(path, encoding="utf-8", errors="replace") as f:
        c.read_string(f.read())
    return {s: dict(c[s]) for s in c.sections()}


def thumbnails(a, files):
    lv = os.path.join(a.build, "lumivore")
    cache = os.path.join(a.tmp, "thumbcache")
    figures = []
    for label, mode in (("RAM mode", "ram"), ("disk mode, empty cache", "disk"), ("disk mode, from the cache", "disk")):
        drop(a.build, files)
        r = run([lv, "thumbs", a.shoot, "--cache-mode", mode, "--cache-root", cache, "--no-scan", "--json"])
        try:
            j = json.loads(r.stdout)
        except ValueError:
            note("lumivore thumbs failed: " + r.stderr.strip()[:200])
            return
        figures.append((label, j["photos"] * 1000.0 / max(j["thumbnailsMs"], 0.001)))
    for label, rate in figures:
        row("thumbnails", "whole strip, %s, page cache dropped" % label, rate, "", None, "photos/s", True)
    if have("exiftool"):
        sample = files[: 10 if a.quick else 40]
        t, _ = timed(["exiftool", "-b", "-ThumbnailImage", "-q"] + sample)
        row("thumbnails", "whole strip, RAM mode (per second)", figures[0][1], "exiftool -b -ThumbnailImage (batch)",
            len(sample) / t, "photos/s", True)


def filtering(a):
    out = run([os.path.join(a.build, "bench_filter"), "50000"]).stdout
    m = re.search(r"filter and per-token counts over facts ([\d.]+) ms", out)
    v = re.search(r"visible list rebuilt with the filter on: ([\d.]+) ms", out)
    if m:
        row("filter", "50,000 photos' facts: filter and every token's count", float(m.group(1)), "", None, "ms")
    if v:
        row("filter", "50,000 photos: visible list rebuilt", float(v.group(1)), "", None, "ms")


def copies(a, files):
    lv = os.path.join(a.build, "lumivore")
    size = sum(os.path.getsize(f) for f in files) / 1e6
    dest = os.path.join(a.tmp, "copy")

    def fresh():
        shutil.rmtree(dest, ignore_errors=True)
        os.makedirs(dest)
        subprocess.run(["sync"])

    def mbs(cmd, shell=False):
        fresh()
        t, rc = timed(cmd, shell=shell)
        return size / t if rc == 0 else None

    subprocess.run("cat %s >/dev/null" % " ".join("'%s'" % f for f in files), shell=True)  # warm, as every tool
    ours_export = mbs([lv, "export", a.shoot, "--to", os.path.join(dest, "x")])
    ours_import = mbs([lv, "import", a.shoot, "--to", dest, "--on-clash", "skip"])
    peers = [("cp -r", "cp -r '%s' '%s/x'" % (a.shoot, dest))]
    if have("rsync"):
        peers.append(("rsync -a", "rsync -a '%s/' '%s/x/'" % (a.shoot, dest)))
    else:
        note("rsync is missing")
    peers.append(("cp -r + sync", "cp -r '%s' '%s/x' && sync" % (a.shoot, dest)))
    peers.append(("cp -r + sha256sum", "cp -r '%s' '%s/x' && sha256sum '%s'/x/* >/dev/null" % (a.shoot, dest, dest)))
    for name, cmd in peers:
        v = mbs(cmd, shell=True)
        if ours_export:
            if name != "cp -r + sha256sum":
                row("export/import", "lumivore export (each copy flushed)", ours_export, name, v, "MB/s", True)
        if ours_import and name in ("cp -r + sync", "cp -r + sha256sum"):
            row("export/import", "lumivore import (SHA-256, flushed, journal)", ours_import, name, v, "MB/s", True)
    shutil.rmtree(dest, ignore_errors=True)
    if not ours_export:
        note("lumivore export failed")
    if not ours_import:
        note("lumivore import failed")


def scaling(a):
    lv = os.path.join(a.build, "lumivore")
    src = [f for f in photos_in(a.shoot) if f.lower().endswith(".cr2")][:1]
    if not src:
        return
    sizes = (100, 1000) if a.quick else (100, 1000, 10000)
    for n in sizes:
        d = os.path.join(a.tmp, "scale%d" % n)
        os.makedirs(d)
        for i in range(n):  # hard links: the cost is per file, not per byte
            os.link(src[0], os.path.join(d, "IMG_%05d.CR2" % i))
        SCALING.setdefault("lumivore list (load, metadata, order)", []).append(
            (n, timed([lv, "list", d, "--names"])[0]))
        SCALING.setdefault("lumivore thumbs (RAM mode)", []).append(
            (n, timed([lv, "thumbs", d, "--cache-mode", "ram", "--no-scan"])[0]))
        if have("exiftool") and n <= 1000:  # about 20 photos a second: 10,000 would take minutes
            SCALING.setdefault("exiftool -fast -r (batch)", []).append(
                (n, timed(["exiftool", "-fast", "-q", "-r", d])[0]))
        shutil.rmtree(d)
    for series, pts in SCALING.items():
        for n, t in pts:
            row("folder size", "%s, %d photos" % (series, n), t, "", None, "s")


def wine(a):
    exe = os.path.join(a.windows, "Lumivore.exe")
    if not os.path.exists(exe):
        note("no Windows build (build/windows-release/Lumivore.exe): Lumivore.exe under Wine skipped")
        return
    if not (have("wine") and have("Xvfb")):
        note("wine or Xvfb missing: Lumivore.exe under Wine skipped")
        return
    # A subset the size of the CI run's scale, the same files for both programs.
    sub = os.path.join(a.out, "wine-shoot")
    shutil.rmtree(sub, ignore_errors=True)
    os.makedirs(sub)
    for f in photos_in(a.shoot)[: 24 if a.quick else 60]:
        shutil.copy(f, sub)
    script = os.path.join(a.tmp, "wine.sh")
    with open(script, "w") as f:
        f.write("""set -u
source scripts/wine-env.sh
export WINEPREFIX_DIR=%(tmp)s/prefix LV_OWN_XVFB=1 LV_XVFB_DISPLAY=${LV_XVFB_DISPLAY:-61}
wine_up >/dev/null 2>&1
trap wine_down EXIT
cfg=$(wine_config_folder)
p="Z:%(sub)s"
timeout 600 wine "Z:%(exe)s" /BENCH:RAM "${p//\\//\\\\}" </dev/null >/dev/null 2>&1
echo "rc=$?"
cp "$cfg/bench_last.ini" "%(out)s/bench_last.wine.ini"
""" % {"tmp": a.tmp, "sub": sub, "exe": exe, "out": a.out})
    r = run(["bash", script], timeout=1200)
    ini = os.path.join(a.out, "bench_last.wine.ini")
    if "rc=0" not in r.stdout or not os.path.exists(ini):
        note("Lumivore.exe /BENCH under Wine failed: " + (r.stdout + r.stderr).strip()[-200:])
        return
    r2 = run([os.path.join(a.build, "lumivore"), "view", sub, "--bench", "--cache-mode", "ram",
              "-o", os.path.join(a.out, "bench_last.linux-subset.ini"), "--force"])
    if r2.returncode != 0:
        note("lumivore view --bench on the Wine subset failed")
        return
    w = read_bench(ini)
    l = read_bench(os.path.join(a.out, "bench_last.linux-subset.ini"))
    a.wine_pairs = []
    for s in ("FirstShow", "Forward", "StepCold", "Locate", "Read", "DecodeScale", "ShotInfo", "RotateDraw",
              "Thumbnails"):
        if s in w and s in l and int(w[s]["Count"]) and int(l[s]["Count"]):
            row("Wine", "Lumivore.exe under Wine, /BENCH:RAM %s median" % s, float(w[s]["MedianMs"]),
                "lumivore view --bench (Linux, same files)", float(l[s]["MedianMs"]), "ms")
    shutil.rmtree(sub, ignore_errors=True)


# [SECTION] report

def ratio(ours, peer, higher_better):
    if peer is None or not ours or not peer:
        return None
    return ours / peer if higher_better else peer / ours


def fmt(v):
    if v is None:
        return "-"
    return "%.0f" % v if abs(v) >= 100 else "%.2f" % v if abs(v) < 10 else "%.1f" % v


def plots(a):
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt
    made = []
    for name, items in SPREADS.items():
        fig, ax = plt.subplots(figsize=(9, 0.45 * len(items) + 1.4))
        for i, (label, s) in enumerate(items):
            lo = {k: max(v, 0.01) for k, v in s.items()}  # a log axis: 10 us stands for anything below
            ax.plot([lo["minMs"], lo["maxMs"]], [i, i], color="#999", lw=1)
            ax.plot([lo["minMs"], lo["p95Ms"]], [i, i], color="#3a7bd5", lw=6, solid_capstyle="butt")
            ax.plot(lo["medianMs"], i, "o", color="#d9480f")
        ax.set_yticks(range(len(items)))
        ax.set_yticklabels([l for l, _ in items])
        ax.invert_yaxis()
        ax.set_xscale("log")
        ax.set_xlabel("ms, log scale (bar: min to p95, dot: median, line: to max)")
        ax.set_title("Latency: " + name)
        fig.tight_layout()
        fn = "latency-%s.png" % re.sub(r"[^a-z]+", "-", name.lower()).strip("-")
        fig.savefig(os.path.join(a.out, fn), dpi=110)
        plt.close(fig)
        made.append((name, fn))
    ratios = [(re.sub(r" \(.*?\)", "", w)[:40] + " vs " + p, ratio(o, pv, hb)) for g, w, o, p, pv, u, hb in ROWS
              if ratio(o, pv, hb) and g != "Wine"]
    if ratios:
        fig, ax = plt.subplots(figsize=(11, 0.42 * len(ratios) + 1.6))
        vals = [r for _, r in ratios]
        ax.barh(range(len(ratios)), vals, color=["#2b8a3e" if v >= 1 else "#c92a2a" for v in vals])
        ax.set_yticks(range(len(ratios)))
        ax.set_yticklabels([l for l, _ in ratios], fontsize=8)
        ax.invert_yaxis()
        ax.set_xscale("log")
        ax.axvline(1, color="black", lw=0.8)
        ax.set_xlabel("times faster than the peer (log scale; right of 1: Lumivore is faster)")
        ax.set_title("Lumivore against the peers, same files, same run", fontsize=11)
        fig.tight_layout()
        fig.savefig(os.path.join(a.out, "ratios.png"), dpi=110)
        plt.close(fig)
        made.append(("ratios", "ratios.png"))
    if SCALING:
        fig, ax = plt.subplots(figsize=(7, 4.5))
        for series, pts in SCALING.items():
            ax.plot([n for n, _ in pts], [t for _, t in pts], "o-", label=series)
        ax.set_xscale("log")
        ax.set_yscale("log")
        ax.set_xlabel("photos in the folder")
        ax.set_ylabel("seconds (whole process)")
        ax.set_title("Cost against folder size")
        ax.legend(fontsize=8)
        fig.tight_layout()
        fig.savefig(os.path.join(a.out, "folder-size.png"), dpi=110)
        plt.close(fig)
        made.append(("folder size", "folder-size.png"))
    return made


def machine():
    cpu = "?"
    try:
        cpu = next(l.split(":", 1)[1].strip() for l in open("/proc/cpuinfo") if l.startswith("model name"))
    except (OSError, StopIteration):
        pass
    disk = run(["df", "-h", "--output=source,fstype,size", "."]).stdout.strip().splitlines()[-1]
    return "%d cores (%s), %s, disk %s" % (os.cpu_count() or 0, cpu, platform.platform(), " ".join(disk.split()))


def write_report(a, load_before, seconds, made):
    lines = ["# Lumivore performance report", "",
             "Machine: %s. Load average before %s, after %s (the machine is shared: figures are wall-clock)." %
             (machine(), load_before, " ".join(open("/proc/loadavg").read().split()[:3])),
             "Shoot: %s, %d photos, %.2f GB. Run took %.0f s%s." %
             (a.shoot, a.count, a.bytes / 1e9, seconds, " (--quick)" if a.quick else ""), "",
             "Ratio: how many times faster Lumivore is than the peer (below 1: slower).", ""]
    for name, fn in made:
        lines += ["![%s](%s)" % (name, fn), ""]
    group = None
    for g, w, o, p, pv, u, hb in ROWS:
        if g != group:
            lines += ["", "## " + g, "", "| measure | Lumivore | peer | peer's | ratio |", "|---|---:|---|---:|---:|"]
            group = g
        r = ratio(o, pv, hb)
        lines.append("| %s | %s %s | %s | %s | %s |" % (w, fmt(o), u, p or "-", fmt(pv) if pv else "-",
                                                       ("%.2fx" % r) if r else "-"))
    wine_rows = sorted(((pv / o, w) for g, w, o, p, pv, u, hb in ROWS if g == "Wine" and o and pv), key=lambda x: x[0])
    if wine_rows:
        slowest = ", ".join("%s %.1fx" % (re.search(r"RAM (\w+) median", w).group(1), 1 / r)
                            for r, w in wine_rows if r < 1)
        lines += ["", "What Wine slows down: the ratio column is Linux over Wine for the same script on the same "
                  "files (below 1: slower under Wine). Slower under Wine in this run, most first: %s. Under Wine "
                  "the Windows code paths run: WIC decodes and scales (DecodeScale, Thumbnails) and Win32 calls "
                  "read the files (Locate, Read), where Linux uses libjpeg-turbo with our resampler and POSIX "
                  "reads. RotateDraw is a whole window repaint through GDI under Wine but only an in-memory "
                  "rotation on Linux, so that row compares different work." % (slowest or "nothing")]
    if NOTES:
        lines += ["", "## Notes", ""] + ["- " + n for n in NOTES]
    with open(os.path.join(a.out, "report.md"), "w") as f:
        f.write("\n".join(lines) + "\n")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", required=True)
    ap.add_argument("--windows", required=True)
    ap.add_argument("--shoot", required=True)
    ap.add_argument("--out", required=True)
    ap.add_argument("--quick", action="store_true")
    a = ap.parse_args()
    a.shoot = os.path.abspath(a.shoot)
    a.out = os.path.abspath(a.out)
    a.build = os.path.abspath(a.build)
    a.windows = os.path.abspath(a.windows)
    files = photos_in(a.shoot)
    if not files:
        sys.exit("report.py: no photos in " + a.shoot)
    a.count = len(files)
    a.bytes = sum(os.path.getsize(f) for f in files)
    load_before = " ".join(open("/proc/loadavg").read().split()[:3])
    start = time.perf_counter()
    with tempfile.TemporaryDirectory(dir=a.out) as tmp:
        a.tmp = tmp
        a.tmp_distinct = os.path.join(tmp, "distinct")
        os.makedirs(a.tmp_distinct)
        for f in distinct(files):
            shutil.copy(f, a.tmp_distinct)
        steps = [("metadata", lambda: metadata(a, files)), ("previews", lambda: previews(a)),
                 ("decoding", lambda: decoding(a)), ("stepping", lambda: stepping(a, files)),
                 ("thumbnails", lambda: thumbnails(a, files)), ("filter", lambda: filtering(a)),
                 ("export/import", lambda: copies(a, files)), ("folder size", lambda: scaling(a)),
                 ("Wine", lambda: wine(a))]
        for name, fn in steps:
            t = time.perf_counter()
            print("== %s" % name, flush=True)
            try:
                fn()
            except (subprocess.TimeoutExpired, OSError, KeyError, ValueError) as e:
                note("%s stopped: %s" % (name, e))
            print("   %.0f s" % (time.perf_counter() - t), flush=True)
    try:
        made = plots(a)
    except ImportError:
        made = []
        note("python3-matplotlib is missing: no plots")
    write_report(a, load_before, time.perf_counter() - start, made)


if __name__ == "__main__":
    main()
