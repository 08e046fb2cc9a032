#!/usr/bin/env python3
"""Runs the setup program's tests, each scenario group in a fresh Wine prefix.

A setup program installs into Program Files, registers classes machine-wide and
creates a logon task, so its tests need a Windows of their own: each group gets
a new prefix below the build folder. The driver
  - serves the survey on a loopback HTTP port and logs every request body,
  - makes two setup programs from the shipped script and the built layout, an
    earlier and the current version, whose theme names that survey host,
  - runs test_installer.exe once per group inside the group's prefix.
"""
import argparse
import http.server
import os
import re
import shutil
import subprocess
import sys
import threading
import time

GROUPS = [
    # (group, gtest filter): one prefix each.
    ("lifecycle", "Lifecycle.*"),
    ("unusual-folder", "UnusualFolder.*"),
]


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


class SurveyHandler(http.server.BaseHTTPRequestHandler):
    log_path = None
    lock = threading.Lock()

    def do_POST(self):
        length = int(self.headers.get("Content-Length", "0"))
        body = self.rfile.read(length).decode("latin-1")
        with self.lock, open(self.log_path, "a", encoding="latin-1") as log:
            log.write(self.path + " " + body + "\n")
        self.send_response(200)
        self.send_header("Content-Length", "2")
        self.end_headers()
        self.wfile.write(b"OK")

    def log_message(self, *args):
        pass


def theme_for_test(ui_xml, version, survey_host):
    text = open(ui_xml, encoding="utf-8").read()
    text = re.sub(r"<version>[^<]*</version>", "<version>%s</version>" % version, text, count=1)
    return text.replace("<strings>", "<strings>\n    <survey_host>%s</survey_host>" % survey_host, 1)


def make_setup(args, work, version, survey_host):
    stage = os.path.join(work, "theme-" + version)
    os.makedirs(stage, exist_ok=True)
    ui = os.path.join(stage, "ui.xml")
    with open(ui, "w", encoding="utf-8") as f:
        f.write(theme_for_test(os.path.join(args.out, "ui.xml"), version, survey_host))
    setup = os.path.join(work, "setup-%s.exe" % version)
    cmd = [args.makensis, "-V2", "-NOCD", "-DRR_VERSION=" + version, "-DRR_UIXML=" + ui,
           "-DRR_OUTFILE=" + setup, "-DRR_QUICK_COMPRESSION"] + args.define + [args.nsi]
    subprocess.run(cmd, check=True, stdin=subprocess.DEVNULL)
    return setup


def wine_env(prefix):
    env = dict(os.environ)
    env["WINEPREFIX"] = prefix
    env["WINEARCH"] = "win64"
    env["WINEDEBUG"] = "-all"
    # No desktop menu entries on the host for the shortcuts the setup program makes.
    env["WINEDLLOVERRIDES"] = "mscoree,mshtml,winemenubuilder.exe="
    return env


def quiet(cmd, env, log, timeout=None):
    # Wine's long-lived helpers inherit the output file, never our own pipe.
    with open(log, "ab") as out:
        return subprocess.run(cmd, env=env, stdin=subprocess.DEVNULL, stdout=out,
                              stderr=subprocess.STDOUT, timeout=timeout,
                              start_new_session=True).returncode


def run_group(args, work, group, gtest_filter, test_env):
    prefix = os.path.join(work, "prefix-" + group)
    env = wine_env(prefix)
    log = os.path.join(work, group + ".log")
    if os.path.exists(prefix):
        quiet(["wineserver", "-k"], env, log)
        shutil.rmtree(prefix, ignore_errors=True)
    open(log, "w").close()
    started = time.time()
    quiet(["wineboot", "-i"], env, log, timeout=600)
    quiet(["wineserver", "-w"], env, log, timeout=600)
    subprocess.Popen(["wineserver", "-p"], env=env, stdin=subprocess.DEVNULL,
                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
    quiet(["wine", "cmd", "/c", "exit"], env, log, timeout=300)
    print("[%s] prefix ready in %.0f s" % (group, time.time() - started))
    sys.stdout.flush()
    env.update(test_env)
    result = os.path.join(work, group + ".out")
    try:
        with open(result, "wb") as out:
            rc = subprocess.run(["wine", args.test_exe, "--gtest_color=no",
                                 "--gtest_filter=" + gtest_filter],
                                env=env, stdin=subprocess.DEVNULL, stdout=out,
                                stderr=subprocess.STDOUT, timeout=args.timeout,
                                start_new_session=True).returncode
    except subprocess.TimeoutExpired:
        rc = -1
        print("[%s] timed out" % group)
    sys.stdout.write(open(result, encoding="utf-8", errors="replace").read())
    quiet(["wineserver", "-k"], env, log)
    print("[%s] %s in %.0f s" % (group, "passed" if rc == 0 else "FAILED", time.time() - started))
    return rc == 0


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--makensis", required=True)
    parser.add_argument("--nsi", required=True)
    parser.add_argument("--out", required=True, help="the built layout")
    parser.add_argument("--work", required=True)
    parser.add_argument("--test-exe", required=True)
    parser.add_argument("--version", required=True, help="the current version")
    parser.add_argument("--define", action="append", default=[], help="makensis -D options")
    parser.add_argument("--timeout", type=int, default=900)
    parser.add_argument("--group", action="append", help="run only these groups")
    args = parser.parse_args()

    work = os.path.abspath(args.work)
    os.makedirs(work, exist_ok=True)
    survey_log = os.path.join(work, "survey.log")
    open(survey_log, "w").close()
    SurveyHandler.log_path = survey_log
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), SurveyHandler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    host = "127.0.0.1:%d" % server.server_address[1]

    earlier = "0.9.0.7"
    setups = {"OLD": make_setup(args, work, earlier, host),
              "NEW": make_setup(args, work, args.version, host)}
    test_env = {
        "RR_SETUP_OLD": windows_path(setups["OLD"]),
        "RR_SETUP_NEW": windows_path(setups["NEW"]),
        "RR_VERSION_OLD": earlier,
        "RR_VERSION_NEW": args.version,
        "RR_SURVEY_LOG": windows_path(survey_log),
        "RR_WORK": windows_path(work),
    }
    ok = True
    for group, gtest_filter in GROUPS:
        if args.group and group not in args.group:
            continue
        ok = run_group(args, work, group, gtest_filter, test_env) and ok
    server.shutdown()
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
