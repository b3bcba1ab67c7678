#!/usr/bin/env bash
# Renders the 48 x 48 PNG icon from the SVG; run it after editing the SVG and commit both.
# Needs rsvg-convert (Debian package librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/.."
rsvg-convert --width 48 --height 48 --format png \
    --output data/org.zelphor.Zelphor.png data/org.zelphor.Zelphor.svg
