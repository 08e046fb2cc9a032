#!/usr/bin/env python3
"""Writes the SVG sources of the default theme's pictures (flat shapes, one file per
picture, lower-case paths). Run once after changing a shape; the SVGs are committed and
the build renders them to PNG."""

import math
import os

HERE = os.path.dirname(os.path.abspath(__file__))
FONT = "DejaVu Sans, Verdana, sans-serif"

BLUE, BLUE_DARK, BLUE_LIGHT = "#2f7fd0", "#1b5fa8", "#5aa2e6"
GREEN, GREEN_DARK = "#4caf5c", "#2e8b43"
ORANGE, ORANGE_DARK = "#f39a2c", "#d67612"
RED, RED_DARK = "#e2493f", "#b72424"
GREY, GREY_DARK, GREY_LIGHT = "#8a99aa", "#4a5a6b", "#dfe6ee"
WHITE = "#ffffff"

STATUS = {"green": (GREEN, GREEN_DARK), "orange": (ORANGE, ORANGE_DARK), "red": (RED, RED_DARK)}


def svg(w, h, body, defs=""):
    d = f"<defs>{defs}</defs>" if defs else ""
    return (f'<svg xmlns="http://www.w3.org/2000/svg" width="{w}" height="{h}" '
            f'viewBox="0 0 {w} {h}">{d}{body}</svg>\n')


def vgrad(gid, top, bottom):
    return (f'<linearGradient id="{gid}" x1="0" y1="0" x2="0" y2="1">'
            f'<stop offset="0" stop-color="{top}"/><stop offset="1" stop-color="{bottom}"/>'
            f'</linearGradient>')


def text(x, y, s, size, color=WHITE, weight="bold", anchor="middle"):
    return (f'<text x="{x}" y="{y}" font-family="{FONT}" font-size="{size}" '
            f'font-weight="{weight}" fill="{color}" text-anchor="{anchor}">{s}</text>')


def check(cx, cy, s, color=WHITE, width=None):
    w = width or max(1.5, s / 6)
    return (f'<path d="M{cx - s / 2:.1f},{cy:.1f} L{cx - s / 8:.1f},{cy + s / 3:.1f} '
            f'L{cx + s / 2:.1f},{cy - s / 3:.1f}" fill="none" stroke="{color}" '
            f'stroke-width="{w:.1f}" stroke-linecap="round" stroke-linejoin="round"/>')


def exclamation(cx, cy, s, color=WHITE):
    w = max(2, s / 6)
    return (f'<line x1="{cx}" y1="{cy - s / 2.2:.1f}" x2="{cx}" y2="{cy + s / 8:.1f}" '
            f'stroke="{color}" stroke-width="{w:.1f}" stroke-linecap="round"/>'
            f'<circle cx="{cx}" cy="{cy + s / 2.6:.1f}" r="{w / 1.6:.1f}" fill="{color}"/>')


def cross(cx, cy, s, color=WHITE, width=2):
    h = s / 2
    return (f'<path d="M{cx - h},{cy - h} L{cx + h},{cy + h} M{cx + h},{cy - h} L{cx - h},{cy + h}" '
            f'stroke="{color}" stroke-width="{width}" stroke-linecap="round"/>')


def shield_path(cx, top, w, h):
    l, r, b = cx - w / 2, cx + w / 2, top + h
    return (f"M{cx},{top} L{r},{top + h * 0.16} C{r},{top + h * 0.6} {cx + w * 0.2},{b - h * 0.1} "
            f"{cx},{b} C{cx - w * 0.2},{b - h * 0.1} {l},{top + h * 0.6} {l},{top + h * 0.16} Z")


def shield(cx, top, w, h, fill, mark=None, mark_color=WHITE):
    body = f'<path d="{shield_path(cx, top, w, h)}" fill="{fill}"/>'
    if mark == "check":
        body += check(cx, top + h * 0.47, w * 0.45, mark_color)
    elif mark == "alert":
        body += exclamation(cx, top + h * 0.45, h * 0.45, mark_color)
    elif mark == "cross":
        body += cross(cx, top + h * 0.45, w * 0.32, mark_color, max(2, w / 10))
    return body


def status_icon(size, kind):
    """White-ringed round badge for the coloured banners."""
    c = size / 2
    fill = {"green": GREEN_DARK, "orange": ORANGE_DARK, "red": RED_DARK, "normal": BLUE_DARK}[kind]
    body = (f'<circle cx="{c}" cy="{c}" r="{c - 1}" fill="{WHITE}"/>'
            f'<circle cx="{c}" cy="{c}" r="{c - 3.5}" fill="{fill}"/>')
    if kind == "green":
        body += check(c, c, size * 0.42)
    elif kind == "normal":
        body += (f'<circle cx="{c - size * 0.06}" cy="{c - size * 0.06}" r="{size * 0.17}" fill="none" '
                 f'stroke="{WHITE}" stroke-width="{size / 14:.1f}"/>'
                 f'<line x1="{c + size * 0.07}" y1="{c + size * 0.07}" x2="{c + size * 0.24}" '
                 f'y2="{c + size * 0.24}" stroke="{WHITE}" stroke-width="{size / 10:.1f}" '
                 f'stroke-linecap="round"/>')
    else:
        body += exclamation(c, c, size * 0.5)
    return svg(size, size, body)


def computer(w, h, kind):
    """A monitor on a stand, its screen showing a shield in the status colour."""
    light, dark = STATUS[kind]
    sw, sh = w * 0.86, h * 0.66
    sx, sy = (w - sw) / 2, h * 0.04
    mark = "check" if kind == "green" else ("alert" if kind == "orange" else "cross")
    defs = vgrad("scr", light, dark) + vgrad("frm", "#6b7b8d", "#3d4a58")
    body = (f'<rect x="{sx}" y="{sy}" width="{sw}" height="{sh}" rx="{w * 0.04}" fill="url(#frm)"/>'
            f'<rect x="{sx + w * 0.035}" y="{sy + w * 0.035}" width="{sw - w * 0.07}" '
            f'height="{sh - w * 0.07}" rx="{w * 0.015}" fill="url(#scr)"/>'
            f'<path d="M{w * 0.42},{sy + sh} L{w * 0.58},{sy + sh} L{w * 0.62},{h * 0.86} '
            f'L{w * 0.38},{h * 0.86} Z" fill="#56667a"/>'
            f'<rect x="{w * 0.26}" y="{h * 0.86}" width="{w * 0.48}" height="{h * 0.07}" '
            f'rx="{h * 0.03}" fill="#3d4a58"/>')
    body += shield(w / 2, sy + sh * 0.16, sh * 0.55, sh * 0.64, "#ffffff", None)
    body += shield(w / 2, sy + sh * 0.22, sh * 0.43, sh * 0.50, dark, mark)
    return svg(w, h, body, defs)


def button(w, h, label, top, bottom, border, size=14, icon=None):
    defs = vgrad("g", top, bottom)
    body = (f'<rect x="0.5" y="0.5" width="{w - 1}" height="{h - 1}" rx="{h / 2 - 1}" '
            f'fill="url(#g)" stroke="{border}"/>')
    tx = w / 2
    if icon == "play":
        cy = h / 2
        body += (f'<circle cx="{h * 0.62}" cy="{cy}" r="{h * 0.3}" fill="{WHITE}" fill-opacity="0.25"/>'
                 f'<path d="M{h * 0.54},{cy - h * 0.15} L{h * 0.76},{cy} L{h * 0.54},{cy + h * 0.15} Z" '
                 f'fill="{WHITE}"/>')
        tx = w / 2 + h * 0.35
    elif icon == "folder":
        cy = h / 2
        x0 = h * 0.35
        body += (f'<path d="M{x0},{cy - 7} h6 l2,2 h8 v12 h-16 Z" fill="{WHITE}" fill-opacity="0.9"/>')
        tx = w / 2 + h * 0.3
    elif icon == "broom":
        cy = h / 2
        x0 = h * 0.55
        body += shield(x0, cy - 9, 15, 18, WHITE, "check", bottom)
        tx = w / 2 + h * 0.3
    body += text(tx, h / 2 + size * 0.36, label, size)
    return svg(w, h, body, defs)


def tab_icon(name):
    s, c = 24, GREY_DARK
    if name == "overview":
        body = shield(12, 1, 18, 22, c, "check")
    elif name == "scan":
        body = (f'<circle cx="10" cy="10" r="6.5" fill="none" stroke="{c}" stroke-width="2.5"/>'
                f'<line x1="15" y1="15" x2="21.5" y2="21.5" stroke="{c}" stroke-width="3.5" '
                f'stroke-linecap="round"/>')
    elif name == "quarantine":
        body = (f'<rect x="3" y="10" width="18" height="12" rx="2" fill="{c}"/>'
                f'<path d="M7,10 V7 a5,5 0 0 1 10,0 V10" fill="none" stroke="{c}" stroke-width="2.5"/>'
                f'<circle cx="12" cy="16" r="2" fill="{WHITE}"/>')
    elif name == "ignore":
        body = (f'<circle cx="12" cy="12" r="9" fill="none" stroke="{c}" stroke-width="2.5"/>'
                f'<line x1="5.8" y1="18.2" x2="18.2" y2="5.8" stroke="{c}" stroke-width="2.5"/>')
    else:  # settings: a gear
        teeth = []
        for i in range(8):
            a = math.radians(i * 45)
            teeth.append(f'<rect x="10.25" y="1" width="3.5" height="6" rx="1" fill="{c}" '
                         f'transform="rotate({i * 45} 12 12)"/>')
        body = "".join(teeth) + (f'<circle cx="12" cy="12" r="7" fill="{c}"/>'
                                 f'<circle cx="12" cy="12" r="3" fill="{WHITE}"/>')
    return svg(s, s, body)


def header_icon(kind):
    s = 48
    defs = vgrad("h", BLUE_LIGHT, BLUE_DARK)
    base = f'<circle cx="24" cy="24" r="23" fill="url(#h)"/>'
    if kind == "about":
        body = base + (f'<circle cx="24" cy="14" r="3.2" fill="{WHITE}"/>'
                       f'<rect x="21" y="20" width="6" height="17" rx="2" fill="{WHITE}"/>')
    elif kind == "ignore":
        body = base + (f'<circle cx="24" cy="24" r="12" fill="none" stroke="{WHITE}" stroke-width="4"/>'
                       f'<line x1="15.5" y1="32.5" x2="32.5" y2="15.5" stroke="{WHITE}" stroke-width="4"/>')
    elif kind == "quarantine":
        body = base + (f'<rect x="13" y="22" width="22" height="16" rx="3" fill="{WHITE}"/>'
                       f'<path d="M18,22 V17 a6,6 0 0 1 12,0 V22" fill="none" stroke="{WHITE}" '
                       f'stroke-width="3.5"/><circle cx="24" cy="30" r="2.5" fill="{BLUE_DARK}"/>')
    elif kind == "settings":
        teeth = "".join(f'<rect x="21.5" y="8" width="5" height="9" rx="1.5" fill="{WHITE}" '
                        f'transform="rotate({i * 45} 24 24)"/>' for i in range(8))
        body = base + teeth + (f'<circle cx="24" cy="24" r="10" fill="{WHITE}"/>'
                               f'<circle cx="24" cy="24" r="4.5" fill="{BLUE_DARK}"/>')
    else:  # the product's own mark
        body = base + shield(24, 9, 24, 30, WHITE, "check", BLUE_DARK)
    return svg(s, s, body, defs)


def noise_tile():
    defs = ('<filter id="n" x="0" y="0" width="100%" height="100%">'
            '<feTurbulence type="fractalNoise" baseFrequency="0.9" numOctaves="2" '
            'stitchTiles="stitch" result="t"/>'
            '<feColorMatrix type="matrix" values="0 0 0 0 0.35  0 0 0 0 0.40  0 0 0 0 0.47  '
            '0 0 0 0.05 0"/></filter>')
    body = '<rect width="64" height="64" fill="#f4f6f9"/><rect width="64" height="64" filter="url(#n)"/>'
    return svg(64, 64, body, defs)


def scan_frame(n, count=12):
    """One frame of the scanning animation: a magnifier sweeping over a row of files."""
    w, h = 400, 90
    body = (f'<rect x="20" y="68" width="360" height="4" rx="2" fill="{GREY_LIGHT}"/>')
    pos = (n - 1) / (count - 1)
    mx = 45 + pos * 310
    body += f'<rect x="20" y="68" width="{mx - 20:.1f}" height="4" rx="2" fill="{BLUE_LIGHT}"/>'
    for i in range(8):
        fx = 30 + i * 45
        done = fx + 15 < mx
        fill = "#e8f1fb" if done else WHITE
        stroke = BLUE_LIGHT if done else "#b8c4d2"
        body += (f'<path d="M{fx},{20} h20 l8,8 v30 h-28 Z" fill="{fill}" stroke="{stroke}" '
                 f'stroke-width="1.5"/><path d="M{fx + 20},20 v8 h8" fill="none" stroke="{stroke}" '
                 f'stroke-width="1.5"/>')
        for j in range(3):
            body += (f'<line x1="{fx + 5}" y1="{34 + j * 7}" x2="{fx + 22}" y2="{34 + j * 7}" '
                     f'stroke="{stroke}" stroke-width="1.5"/>')
        if done:
            body += check(fx + 14, 46, 10, GREEN, 2.2)
    pulse = 1 + 0.06 * math.sin(n / count * 2 * math.pi * 2)
    r = 17 * pulse
    body += (f'<circle cx="{mx:.1f}" cy="38" r="{r:.1f}" fill="{BLUE_LIGHT}" fill-opacity="0.18" '
             f'stroke="{BLUE_DARK}" stroke-width="4"/>'
             f'<line x1="{mx + r * 0.7:.1f}" y1="{38 + r * 0.7:.1f}" x2="{mx + r * 1.45:.1f}" '
             f'y2="{38 + r * 1.45:.1f}" stroke="{BLUE_DARK}" stroke-width="7" stroke-linecap="round"/>')
    return svg(w, h, body)


def damage(level):
    """Five segments, `level` of them lit from green to red."""
    colors = ["#8cc63f", "#c7d333", "#f3b52c", "#ee7d2c", "#e2493f"]
    body = ""
    for i in range(5):
        fill = colors[i] if i < level else GREY_LIGHT
        body += f'<rect x="{i * 12 + 0.5}" y="1" width="10" height="10" rx="2" fill="{fill}"/>'
    return svg(60, 12, body)


def caption_glyph(kind):
    w, h, c = 40, 19, WHITE
    cx, cy = w / 2, h / 2
    if kind == "min":
        body = f'<rect x="{cx - 5}" y="{cy + 2}" width="10" height="2" fill="{c}"/>'
    elif kind == "max":
        body = f'<rect x="{cx - 5}" y="{cy - 4.5}" width="10" height="9" fill="none" stroke="{c}" stroke-width="1.5"/>'
    elif kind == "restore":
        body = (f'<rect x="{cx - 5}" y="{cy - 2}" width="8" height="7" fill="none" stroke="{c}" stroke-width="1.5"/>'
                f'<path d="M{cx - 2},{cy - 2} v-3 h8 v7 h-3" fill="none" stroke="{c}" stroke-width="1.5"/>')
    else:
        body = cross(cx, cy, 8, c, 1.8)
    return svg(w, h, body)


def build():
    files = {}

    # Frame and tabs.
    files["frame/title_bar"] = svg(8, 90, '<rect width="8" height="90" fill="url(#t)"/>'
                                   f'<rect y="88" width="8" height="2" fill="{BLUE_DARK}"/>',
                                   vgrad("t", "#4a94de", "#2268b5"))
    files["frame/tab_bg"] = svg(142, 40, f'<rect width="142" height="40" fill="#e9eef4"/>'
                                f'<rect y="39" width="142" height="1" fill="#d5dde7"/>')
    files["frame/tabactive_bg"] = svg(142, 40, f'<rect width="142" height="40" fill="{WHITE}"/>'
                                      f'<rect width="4" height="40" fill="{BLUE}"/>'
                                      f'<rect y="39" width="142" height="1" fill="#d5dde7"/>')
    files["frame/tabover_bg"] = svg(142, 40, f'<rect width="142" height="40" fill="#dbe8f6"/>'
                                    f'<rect width="4" height="40" fill="{BLUE_LIGHT}"/>'
                                    f'<rect y="39" width="142" height="1" fill="#d5dde7"/>')
    files["frame/close_bg"] = svg(121, 19, f'<path d="M0,0 H121 V19 H6 a6,6 0 0 1 -6,-6 Z" '
                                  f'fill="#000000" fill-opacity="0.18"/>'
                                  f'<rect x="80" width="41" height="19" fill="{RED}" fill-opacity="0.85"/>')
    for g in ("min", "max", "restore", "close"):
        files[f"frame/{g}"] = caption_glyph(g)
    files["frame/logo"] = svg(240, 50, shield(22, 5, 32, 40, WHITE, "check", BLUE_DARK)
                              + text(48, 27, "RodeRedud", 22, anchor="start")
                              + text(49, 43, "ANTI-MALWARE", 10.5, "#d6e8ff", "normal", "start"))
    files["frame/microsoftlogo"] = svg(110, 28, f'<rect x="0.5" y="0.5" width="109" height="27" rx="13.5" '
                                       f'fill="{WHITE}" fill-opacity="0.15" stroke="{WHITE}" stroke-opacity="0.6"/>'
                                       + check(16, 14, 11, WHITE, 2.2)
                                       + text(64, 18.5, "Verified", 11.5, anchor="middle"))
    files["frame/about"] = svg(20, 20, f'<circle cx="10" cy="10" r="8.5" fill="none" stroke="{WHITE}" stroke-width="1.8"/>'
                               f'<circle cx="10" cy="6" r="1.4" fill="{WHITE}"/>'
                               f'<rect x="8.8" y="8.5" width="2.4" height="7" rx="1" fill="{WHITE}"/>')
    files["frame/help"] = svg(20, 20, f'<circle cx="10" cy="10" r="8.5" fill="none" stroke="{WHITE}" stroke-width="1.8"/>'
                              + text(10, 14.5, "?", 12.5))
    files["frame/background_grey_noise"] = noise_tile()
    for t in ("overview", "scan", "quarantine", "ignore", "settings"):
        files[f"tabs/{t}"] = tab_icon(t)

    # Page headers.
    files["headers/header_about"] = header_icon("about")
    files["headers/kestra"] = header_icon("product")
    files["headers/header_ignore"] = header_icon("ignore")
    files["headers/header_quarantine"] = header_icon("quarantine")
    files["settings/header_settings"] = header_icon("settings")

    # Overview.
    files["overview/computer_bg"] = svg(240, 190, '<ellipse cx="120" cy="172" rx="100" ry="12" fill="#000000" '
                                        'fill-opacity="0.08"/><circle cx="120" cy="92" r="88" fill="url(#b)"/>',
                                        '<radialGradient id="b"><stop offset="0" stop-color="#ffffff"/>'
                                        '<stop offset="1" stop-color="#e3ecf6"/></radialGradient>')
    for k in STATUS:
        files[f"overview/computer_{k}"] = computer(180, 150, k)
        files[f"overview/status_{k}"] = status_icon(32, k)
        files[f"scan/computer_{k}"] = computer(96, 80, k)
    files["overview/status_normal"] = status_icon(32, "normal")
    files["overview/status_red_big"] = status_icon(48, "red")
    files["overview/calendar"] = svg(24, 24, f'<rect x="2" y="4" width="20" height="18" rx="2.5" fill="{WHITE}" '
                                     f'stroke="{BLUE_DARK}" stroke-width="1.5"/><rect x="2" y="4" width="20" height="6" '
                                     f'rx="2" fill="{BLUE}"/><rect x="6" y="1.5" width="2" height="5" rx="1" '
                                     f'fill="{GREY_DARK}"/><rect x="16" y="1.5" width="2" height="5" rx="1" '
                                     f'fill="{GREY_DARK}"/>'
                                     + "".join(f'<rect x="{5 + (i % 4) * 4}" y="{12.5 + (i // 4) * 4}" width="2.5" '
                                               f'height="2.5" fill="{GREY}"/>' for i in range(8)))
    files["overview/checkmark"] = svg(16, 16, f'<circle cx="8" cy="8" r="7.5" fill="{GREEN}"/>' + check(8, 8, 8, WHITE, 2))
    files["overview/custom_scan"] = button(150, 40, "Custom scan", "#fdfefe", "#e4ebf3", "#aebccb", 13, None).replace(
        f'fill="{WHITE}"', f'fill="{GREY_DARK}"')
    files["overview/custom_scan_over"] = button(150, 40, "Custom scan", "#ffffff", "#d6e6f7", "#7fa8d6", 13).replace(
        f'fill="{WHITE}"', f'fill="{BLUE_DARK}"')
    files["overview/custom_scan_down"] = button(150, 40, "Custom scan", "#d6e6f7", "#eef4fb", "#5a8cc4", 13).replace(
        f'fill="{WHITE}"', f'fill="{BLUE_DARK}"')
    files["overview/start"] = button(170, 46, "Start scan", "#66c374", GREEN_DARK, "#267a39", 15, "play")
    files["overview/start_over"] = button(170, 46, "Start scan", "#7bd289", "#38a04f", "#267a39", 15, "play")
    files["overview/start_down"] = button(170, 46, "Start scan", GREEN_DARK, "#55b463", "#1f6a31", 15, "play")

    # Scan.
    files["scan/status_normal"] = header_icon("product")
    files["scan/progress_glow"] = svg(120, 17, '<rect width="120" height="17" fill="url(#g)"/>',
                                      '<linearGradient id="g" x1="0" y1="0" x2="1" y2="0">'
                                      f'<stop offset="0" stop-color="{BLUE_LIGHT}" stop-opacity="0"/>'
                                      f'<stop offset="0.5" stop-color="{BLUE_LIGHT}" stop-opacity="0.9"/>'
                                      f'<stop offset="1" stop-color="{BLUE_LIGHT}" stop-opacity="0"/>'
                                      '</linearGradient>')
    files["scan/progressbar_middle"] = svg(8, 17, '<rect width="8" height="17" fill="url(#p)"/>'
                                           '<rect width="8" height="6" fill="#ffffff" fill-opacity="0.25"/>',
                                           vgrad("p", "#6fb3ef", "#2a77c6"))
    files["scan/icon_downarrow"] = svg(12, 8, f'<path d="M1,1.5 L6,6.5 L11,1.5" fill="none" stroke="{GREY_DARK}" '
                                       f'stroke-width="2" stroke-linecap="round" stroke-linejoin="round"/>')
    files["scan/clean"] = button(130, 36, "Clean", "#f06a5f", RED_DARK, "#9c1f1f", 14, "broom")
    files["scan/clean_over"] = button(130, 36, "Clean", "#f5827a", "#c93030", "#9c1f1f", 14, "broom")
    files["scan/clean_down"] = button(130, 36, "Clean", RED_DARK, "#e2574e", "#861a1a", 14, "broom")
    files["scan/btn_remove"] = svg(16, 16, f'<circle cx="8" cy="8" r="7.5" fill="{GREY}"/>' + cross(8, 8, 6, WHITE, 2))
    files["scan/btn_remove_over"] = svg(16, 16, f'<circle cx="8" cy="8" r="7.5" fill="{RED}"/>' + cross(8, 8, 6, WHITE, 2))
    files["scan/btn_remove_down"] = svg(16, 16, f'<circle cx="8" cy="8" r="7.5" fill="{RED_DARK}"/>' + cross(8, 8, 6, WHITE, 2))
    files["scan/cleaning_arrow"] = svg(10, 10, f'<path d="M2.5,1 L8,5 L2.5,9 Z" fill="{GREY_DARK}"/>')
    for level in range(6):
        files[f"scan/damage_level/damage{level}"] = damage(level)
    for n in range(1, 13):
        files[f"scan/scan_anim/{n}"] = scan_frame(n)

    # Settings.
    files["settings/quarantine"] = svg(64, 64, f'<rect x="6" y="26" width="52" height="34" rx="6" fill="{BLUE}"/>'
                                       f'<path d="M17,26 V18 a15,15 0 0 1 30,0 V26" fill="none" stroke="{BLUE_DARK}" '
                                       f'stroke-width="7"/><circle cx="32" cy="40" r="5" fill="{WHITE}"/>'
                                       f'<rect x="30" y="42" width="4" height="10" rx="2" fill="{WHITE}"/>')
    files["settings/text_background"] = svg(320, 96, f'<rect x="0.5" y="0.5" width="319" height="95" rx="12" '
                                            f'fill="{WHITE}" fill-opacity="0.85" stroke="#d5dde7"/>')

    # Popups.
    files["popups/top_bar_bg"] = svg(8, 28, '<rect width="8" height="28" fill="url(#t)"/>',
                                     vgrad("t", "#4a94de", "#2268b5"))
    files["popups/register_close"] = svg(16, 16, f'<circle cx="8" cy="8" r="7.5" fill="{WHITE}" fill-opacity="0.25"/>'
                                         + cross(8, 8, 6, WHITE, 2))
    files["popups/register_close_over"] = svg(16, 16, f'<circle cx="8" cy="8" r="7.5" fill="{RED}"/>'
                                              + cross(8, 8, 6, WHITE, 2))
    files["popups/info"] = svg(48, 48, f'<circle cx="24" cy="24" r="22" fill="{BLUE}"/>'
                               f'<circle cx="24" cy="14" r="3.2" fill="{WHITE}"/>'
                               f'<rect x="21" y="20" width="6" height="17" rx="2" fill="{WHITE}"/>')
    tray = (f'<rect width="240" height="40" rx="4" fill="#25313d"/>'
            f'<rect x="6" y="8" width="24" height="24" rx="4" fill="#3a4756"/>'
            + "".join(f'<rect x="{40 + i * 30}" y="10" width="22" height="20" rx="3" fill="#3a4756"/>' for i in range(3))
            + f'<rect x="136" y="6" width="28" height="28" rx="5" fill="none" stroke="{ORANGE}" stroke-width="2"/>'
            + shield(150, 11, 15, 18, BLUE_LIGHT, "check")
            + text(205, 18, "12:00", 11, "#e6edf5", "normal")
            + text(205, 32, "01/01", 9, "#aab6c4", "normal"))
    files["popups/taskbar"] = svg(240, 40, tray)

    # About.
    files["about/title_bg"] = svg(400, 60, '<rect width="400" height="60" rx="6" fill="url(#t)"/>'
                                  + shield(34, 10, 32, 40, WHITE, "check", BLUE_DARK)
                                  + text(62, 38, "RodeRedud Anti-Malware", 20, anchor="start"),
                                  vgrad("t", "#4a94de", "#2268b5"))
    # Application icon (converted to res.dll's icon 128 by the build).
    files["app_icon"] = svg(256, 256, '<rect x="8" y="8" width="240" height="240" rx="52" fill="url(#a)"/>'
                            + shield(128, 38, 136, 176, WHITE, "check", BLUE_DARK),
                            vgrad("a", "#5aa2e6", "#1b5fa8"))
    return files


def main():
    for name, content in build().items():
        path = os.path.join(HERE, name + ".svg")
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w", encoding="utf-8") as f:
            f.write(content)


if __name__ == "__main__":
    main()
