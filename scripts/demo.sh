#!/usr/bin/env bash
# The offline demo: builds everything (installing what is missing), then runs
# salvexa-nfe against the test portal on loopback with the bundled sample invoice.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
exec python3 tests/gui/demo.py build
