#!/usr/bin/env python3
"""The offline demo: the test portal on loopback serving the bundled sample
invoice, and salvexa-nfe pointed at it.

With a display you type the captcha (it is also printed here); without one
the demo runs on its own X display, types it itself and takes a screenshot.

Usage: demo.py BUILD_DIR
"""

import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import ambiente  # noqa: E402

EXEMPLO = os.path.join(ambiente.RAIZ, "examples", "consulta-completa.html")
CHAVE = "35110461482735000193550010000045671012345678"


def display_utilizavel():
    if not os.environ.get("DISPLAY"):
        return False
    return subprocess.run(["xdotool", "getdisplaygeometry"], stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL).returncode == 0


def main():
    build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(ambiente.RAIZ, "build"))
    destino = os.path.join(build, "demo")
    os.makedirs(destino, exist_ok=True)
    area = ambiente.Area()
    area.saida = destino
    try:
        pessoa = display_utilizavel()
        if pessoa:
            area.usar_display(os.environ["DISPLAY"])
        else:
            area.iniciar_xvfb()
        area.iniciar_portal([EXEMPLO])
        extra = {"XDG_RUNTIME_DIR": os.environ["XDG_RUNTIME_DIR"]} if pessoa and "XDG_RUNTIME_DIR" in os.environ else {}
        prog = area.iniciar_programa(os.path.join(build, "salvexa-nfe"), CHAVE, **extra)
        prog.erros.esperar(r"captcha shown", 90)
        captcha = [l for l in area.portal_saida.linhas if l.startswith("CAPTCHA ")][-1].split()[1]
        print("Test portal on http(s)://localhost:%d; access key %s" % (area.porta, CHAVE))
        if pessoa:
            print("Type the captcha shown in the window, %s, and press Alt+O (30 seconds)." % captcha, flush=True)
        else:
            tela = area.captura_de_tela(os.path.join(destino, "salvexa-nfe.png"))
            area.digitar(captcha)
            area.tecla("alt+o")
        codigo = prog.wait(120)
        salvos = [l for l in prog.saida.linhas if l]
        if not salvos:
            print("No XML file was saved (exit status %d)." % codigo, file=sys.stderr)
            return 1
        print("Saved: " + salvos[-1])
        if not pessoa:
            print("Screenshot of the window with the captcha: " + tela)
        print("Clipboard after the end: " + area.area_de_transferencia())
        return 0
    finally:
        area.saida = os.path.join(area.pasta, "saida")  # the demo's output stays in the build tree
        area.encerrar()


if __name__ == "__main__":
    sys.exit(main())
