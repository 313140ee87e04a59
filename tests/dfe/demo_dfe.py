#!/usr/bin/env python3
"""The certificate route, offline: a test PKI (a company's e-CNPJ-like A1
certificate), the stand-in of the national distribution and event services on
loopback holding one signed NF-e, and salvexa-dfe pointed at it, as a person
would type it. The service first gives only the summary; with --ciencia the
acknowledgement is sent and the original saved, byte for byte.

Usage: demo_dfe.py BUILD_DIR
"""

import os
import shlex
import shutil
import subprocess
import sys
import tempfile

AQUI = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, AQUI)
import e2e_dfe  # noqa: E402
import pki  # noqa: E402


def mostrar(comando, env_mostrado):
    variaveis = " ".join("%s=%s" % (k, shlex.quote(v)) for k, v in env_mostrado.items())
    print("\n$ %s%s" % (variaveis + " " if variaveis else "", " ".join(shlex.quote(a) for a in comando)), flush=True)


def main():
    build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.dirname(AQUI)),
                                                                                 "build"))
    programa = os.path.join(build, "salvexa-dfe")
    if not os.access(programa, os.X_OK):
        print("%s was not built" % programa, file=sys.stderr)
        return 1
    destino = os.path.join(build, "demo")
    os.makedirs(destino, exist_ok=True)
    e2e_dfe.PROGRAMA = programa
    area = e2e_dfe.Area()
    area.saida = destino
    try:
        chave = pki.chave(4321)
        documento = area.nfe(chave)
        area.iniciar_servico({chave: {"resposta": "resumo", "documento": "nfe-%s.xml" % chave}})
        print("Stand-in of the national services on https://127.0.0.1:%d, with a test company certificate"
              % area.porta)
        certificado = area.arquivo("ecnpj.pfx")
        mostrado = {"SALVEXA_CERT": certificado, "SALVEXA_CERT_PASSWORD": pki.SENHA}
        for argumentos in ([chave], ["--ciencia", chave]):
            comando = [programa, "-o", destino] + argumentos
            mostrar(comando, mostrado)
            r = area.rodar(*argumentos)
            for linha in r.saida:
                print(linha)
            for linha in r.erros:
                print(linha)
            print("(exit status %d)" % r.codigo, flush=True)
        caminho = os.path.join(destino, chave + "-nfe.xml")
        if r.codigo != 0 or not os.path.exists(caminho):
            print("No XML file was saved.", file=sys.stderr)
            return 1
        with open(caminho, "rb") as f:
            igual = f.read() == documento
        print("\nSaved: %s (%s the document the service sent)" % (caminho, "byte for byte" if igual else "NOT"))
        contagem = area.contagem()
        print("The service received %d queries and %d acknowledgement event(s)."
              % (contagem[e2e_dfe.DISTRIBUICAO], contagem[e2e_dfe.EVENTO]))
        return 0 if igual else 1
    finally:
        area.encerrar()


if __name__ == "__main__":
    sys.exit(main())
