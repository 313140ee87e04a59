#!/usr/bin/env bash
# The offline demo: builds everything (installing what is missing), then runs
# salvexa-nfe against the test portal on loopback with the bundled sample invoice,
# then the certificate route: salvexa-dfe with a test certificate against the
# stand-in of the national distribution service.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
python3 tests/gui/demo.py build
exec python3 tests/dfe/demo_dfe.py build
