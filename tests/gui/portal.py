#!/usr/bin/env python3
"""A stand-in for the NF-e portal's complete consultation, on loopback.

One port serves http and https (a connection whose first byte is 0x16 is a
TLS handshake). The pages keep the portal's addresses and form names; the
captcha is a GIF whose text is bound to the session cookie, and a consultation
is accepted only with the last captcha of its session. Result pages come from
page fixtures, one per access key.

Prints "PORT <n>" when it listens, then "CAPTCHA <text>" for every captcha it
makes and "PAGE <path>" for every request, one line each, flushed. A request
that reaches the other origin of the redirect mode prints
"FOREIGN <path> cookie=<yes|no> agent=<User-Agent>".

The hostile captcha modes answer only the program's own download (whose
User-Agent is not a browser's); the page's image in the browser gets a plain
captcha, so the page completes as the portal's would.
"""

import argparse
import html
import http.server
import os
import random
import secrets
import socket
import socketserver
import ssl
import sys
import threading
import time
import urllib.parse

CONSULTA = "/portal/consulta.aspx"
VISUALIZACAO = "/portal/visualizacaoNFe/completa/Default.aspx"
IMPRESSAO = "/PORTAL/visualizacaoNFe/completa/impressao.aspx"
COMPLETA = "/portal/consultaCompleta.aspx"
INEXISTENTE = "/portal/inexistente_completa.aspx"
CAPTCHA = "/scripts/srf/intercepta/captcha.aspx"
INESPERADA = "/portal/manutencao.aspx"

CAMPO_CHAVE = "ctl00$ContentPlaceHolder1$txtChaveAcessoCompleta"
CAMPO_CAPTCHA = "ctl00$ContentPlaceHolder1$txtCaptcha"
BOTAO = "ctl00$ContentPlaceHolder1$btnConsultar"

# 5x7 glyphs of the captcha alphabet, one string of 7 rows of 5 bits each.
GLIFOS = {
    "2": ["01110", "10001", "00001", "00110", "01000", "10000", "11111"],
    "3": ["11110", "00001", "00001", "01110", "00001", "00001", "11110"],
    "4": ["00010", "00110", "01010", "10010", "11111", "00010", "00010"],
    "5": ["11111", "10000", "11110", "00001", "00001", "10001", "01110"],
    "6": ["00110", "01000", "10000", "11110", "10001", "10001", "01110"],
    "7": ["11111", "00001", "00010", "00100", "01000", "01000", "01000"],
    "8": ["01110", "10001", "10001", "01110", "10001", "10001", "01110"],
    "9": ["01110", "10001", "10001", "01111", "00001", "00010", "01100"],
    "A": ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    "C": ["01110", "10001", "10000", "10000", "10000", "10001", "01110"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "H": ["10001", "10001", "10001", "11111", "10001", "10001", "10001"],
    "K": ["10001", "10010", "10100", "11000", "10100", "10010", "10001"],
    "M": ["10001", "11011", "10101", "10101", "10001", "10001", "10001"],
    "P": ["11110", "10001", "10001", "11110", "10000", "10000", "10000"],
    "R": ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    "T": ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
    "X": ["10001", "10001", "01010", "00100", "01010", "10001", "10001"],
}


def lzw_gif(indices, tamanho_minimo):
    """GIF's variable-width LZW of a list of color indices, as data sub-blocks."""
    limpar, fim = 1 << tamanho_minimo, (1 << tamanho_minimo) + 1
    largura = tamanho_minimo + 1
    tabela = {(i,): i for i in range(limpar)}
    proximo = fim + 1
    bits, nbits, saida = 0, 0, bytearray()

    def emitir(codigo):
        nonlocal bits, nbits
        bits |= codigo << nbits
        nbits += largura
        while nbits >= 8:
            saida.append(bits & 0xFF)
            bits >>= 8
            nbits -= 8

    emitir(limpar)
    atual = ()
    for i in indices:
        candidato = atual + (i,)
        if candidato in tabela:
            atual = candidato
            continue
        emitir(tabela[atual])
        if proximo < 4096:
            tabela[candidato] = proximo
            proximo += 1
            if proximo > (1 << largura) and largura < 12:
                largura += 1
        else:
            emitir(limpar)
            tabela = {(k,): k for k in range(limpar)}
            proximo, largura = fim + 1, tamanho_minimo + 1
        atual = (i,)
    if atual:
        emitir(tabela[atual])
    emitir(fim)
    if nbits:
        saida.append(bits & 0xFF)
    blocos = bytearray()
    for k in range(0, len(saida), 255):
        parte = saida[k:k + 255]
        blocos += bytes([len(parte)]) + parte
    return bytes(blocos) + b"\x00"


def gif_captcha(texto, escala=5):
    """A two-color GIF showing the text in the 5x7 glyphs, with some noise."""
    margem, espaco = 2, 2
    colunas = margem * 2 + len(texto) * (5 + espaco) - espaco
    linhas = margem * 2 + 7
    largura, altura = colunas * escala, linhas * escala
    pixels = [[0] * largura for _ in range(altura)]
    for n, letra in enumerate(texto):
        for y, linha in enumerate(GLIFOS[letra]):
            for x, bit in enumerate(linha):
                if bit == "1":
                    x0 = (margem + n * (5 + espaco) + x) * escala
                    y0 = (margem + y) * escala
                    for yy in range(y0, y0 + escala):
                        pixels[yy][x0:x0 + escala] = [1] * escala
    sorteio = random.Random(texto)
    for _ in range(largura * altura // 40):
        pixels[sorteio.randrange(altura)][sorteio.randrange(largura)] ^= 1
    indices = [p for linha in pixels for p in linha]
    cabecalho = b"GIF89a" + largura.to_bytes(2, "little") + altura.to_bytes(2, "little")
    cabecalho += bytes([0x80, 0, 0]) + b"\xff\xff\xff" + b"\x20\x20\x80"  # white, dark blue
    imagem = b"\x2c" + bytes(4) + largura.to_bytes(2, "little") + altura.to_bytes(2, "little") + b"\x00"
    return cabecalho + imagem + bytes([2]) + lzw_gif(indices, 2) + b"\x3b"


def pagina(titulo, corpo):
    return ("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>%s</title>\n"
            "<script type=\"text/javascript\">\nfunction foco() { document.forms[0].elements[0].focus(); }\n</script>\n"
            "</head>\n<body>\n%s\n</body></html>\n" % (html.escape(titulo), corpo)).encode("utf-8")


class Portal:
    def __init__(self, host_conteudo, paginas, modo):
        self.conteudo = host_conteudo
        self.paginas = paginas  # key -> result page bytes
        self.modo = modo
        self.sessoes = {}  # session id -> {"captcha": str, "chave": str}
        self.trava = threading.Lock()
        self.inesperadas = 1 if modo == "inesperada" else 0
        self.captcha_fixo = None
        self.continuar = threading.Event()  # set by a line on standard input

    def consulta_endereco(self):
        return CONSULTA + "?tipoConsulta=completa&tipoConteudo=" + self.conteudo

    def pagina_consulta(self, aviso=""):
        imagem = ('<img id="ctl00_ContentPlaceHolder1_imgCaptcha" src="%s?opt=image" alt="captcha" />' % CAPTCHA
                  if self.modo != "sem-imagem" else
                  '<span id="desafio">Responda: quanto é dois mais dois? (digite 4444)</span>')
        corpo = """<h1>Consulta Completa da NF-e</h1>
<form method="post" action="%s" id="aspnetForm">
<p><label>Chave de Acesso</label>
<input name="%s" type="text" maxlength="54" id="ctl00_ContentPlaceHolder1_txtChaveAcessoCompleta" /></p>
<p>%s</p>
<p><label>Código da imagem</label>
<input name="%s" type="text" maxlength="4" id="ctl00_ContentPlaceHolder1_txtCaptcha" %s/></p>
<p><input type="submit" name="%s" value="Continuar" id="ctl00_ContentPlaceHolder1_btnConsultar" /></p>
<p class="erro">%s</p>
</form>""" % (html.escape(self.consulta_endereco()), CAMPO_CHAVE, imagem, CAMPO_CAPTCHA,
       'autofocus="autofocus" ' if self.modo == "sem-imagem" else "", BOTAO, html.escape(aviso))
        return pagina("Consulta da NF-e", corpo)


class Tratador(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    portal: Portal = None

    def log_message(self, formato, *args):
        pass

    def esquema(self):
        return "https" if isinstance(self.connection, ssl.SSLSocket) else "http"

    def responder(self, status, corpo=b"", tipo="text/html; charset=utf-8", cabecalhos=()):
        self.send_response(status)
        for nome, valor in cabecalhos:
            self.send_header(nome, valor)
        self.send_header("Content-Type", tipo)
        self.send_header("Content-Length", str(len(corpo)))
        self.send_header("Cache-Control", "no-cache, no-store")
        self.end_headers()
        self.wfile.write(corpo)

    def sem_fim(self, inicio, pausa):
        """A GIF answer without a length that goes on until the client leaves (or two minutes)."""
        self.send_response(200)
        self.send_header("Content-Type", "image/gif")
        self.send_header("Connection", "close")
        self.end_headers()
        self.close_connection = True
        fim = time.monotonic() + 120
        try:
            self.wfile.write(inicio)
            bloco = b"\x00" * (1 if pausa else 65536)
            while time.monotonic() < fim:
                self.wfile.write(bloco)
                self.wfile.flush()
                if pausa:
                    time.sleep(pausa)
        except OSError:
            pass

    def lento(self, corpo):
        """Sends the head of the body, then the rest once a line comes on standard input (or two minutes)."""
        self.send_response(200)
        self.send_header("Content-Type", "image/gif")
        self.send_header("Content-Length", str(len(corpo)))
        self.end_headers()
        try:
            self.wfile.write(corpo[:10])
            self.wfile.flush()
            print("CAPTCHA SLOW", flush=True)
            self.portal.continuar.wait(120)
            self.wfile.write(corpo[10:])
        except OSError:
            pass

    def redirecionar(self, esquema, caminho):
        destino = "%s://%s%s" % (esquema, self.headers.get("Host"), caminho)
        self.responder(302, b"", cabecalhos=[("Location", destino)])

    def sessao(self):
        """The session of the request's cookie; a new one when it has none."""
        cookies = {}
        for parte in self.headers.get("Cookie", "").split(";"):
            if "=" in parte:
                nome, valor = parte.strip().split("=", 1)
                cookies[nome] = valor
        with self.portal.trava:
            sid = cookies.get("ASP.NET_SessionId")
            if sid in self.portal.sessoes:
                return sid, self.portal.sessoes[sid], []
            sid = secrets.token_hex(12)
            self.portal.sessoes[sid] = {"captcha": None, "chave": None}
            return sid, self.portal.sessoes[sid], [("Set-Cookie", "ASP.NET_SessionId=%s; path=/; HttpOnly" % sid)]

    def do_GET(self):
        self.tratar(None)

    def do_POST(self):
        tamanho = int(self.headers.get("Content-Length") or 0)
        self.tratar(self.rfile.read(tamanho).decode("latin-1"))

    def tratar(self, formulario):
        portal = self.portal
        caminho, _, consulta = self.path.partition("?")
        esquema = self.esquema()
        print("PAGE %s %s %s" % (self.command, esquema, self.path), flush=True)
        sid, sessao, novos = self.sessao()
        if esquema == "http" and caminho == CONSULTA and consulta == portal.consulta_endereco().partition("?")[2]:
            if formulario is None:
                if portal.modo == "sem-resposta":  # holds the page until the test ends
                    threading.Event().wait()
                if portal.modo == "erro":
                    return self.responder(500, b"")
                if portal.modo == "sem-imagem":
                    sessao["captcha"] = portal.captcha_fixo
                return self.responder(200, portal.pagina_consulta(), cabecalhos=novos)
            campos = dict(urllib.parse.parse_qsl(formulario, keep_blank_values=True))
            chave = campos.get(CAMPO_CHAVE, "")
            digitado = campos.get(CAMPO_CAPTCHA, "")
            esperado, sessao["captcha"] = sessao["captcha"], None  # a captcha serves one try
            if not esperado or digitado.upper() != esperado:
                print("REJECTED %s" % digitado, flush=True)
                aviso = "Código da Imagem inválido. Tente novamente."
                if portal.modo == "sem-imagem":
                    sessao["captcha"] = portal.captcha_fixo
                return self.responder(200, portal.pagina_consulta(aviso))
            if portal.inesperadas:
                portal.inesperadas -= 1
                return self.redirecionar("https", INESPERADA)
            sessao["chave"] = chave
            if chave in portal.paginas:
                return self.redirecionar("https", VISUALIZACAO)
            return self.redirecionar("https", INEXISTENTE)
        if esquema == "http" and caminho == CAPTCHA and portal.modo == "sem-captcha":
            return self.responder(404, pagina("Não encontrada", "<h1>404</h1>"))
        baixador = not self.headers.get("User-Agent", "").startswith("Mozilla")
        if esquema == "http" and caminho == CAPTCHA and consulta == "opt=image" and baixador:
            if portal.modo == "captcha-sem-fim":  # an image that never ends, as fast as it goes
                return self.sem_fim(gif_captcha("AAAA")[:-1], 0)
            if portal.modo == "captcha-lento":  # the image's first bytes, the rest when told to
                return self.lento(gif_captcha("AAAA"))
            if portal.modo == "captcha-redirecionado":  # sent to another origin: a port of its own
                destino = "http://localhost:%d/captcha.gif" % portal.porta_estranha
                return self.responder(302, b"", cabecalhos=[("Location", destino)])
        if esquema == "http" and caminho == CAPTCHA and consulta == "opt=image":
            texto = portal.captcha_fixo or "".join(secrets.choice(sorted(GLIFOS)) for _ in range(4))
            sessao["captcha"] = texto
            print("CAPTCHA %s" % texto, flush=True)
            return self.responder(200, gif_captcha(texto), "image/gif", novos)
        if esquema == "https" and caminho == VISUALIZACAO and sessao["chave"]:
            corpo = "<h1>NF-e</h1><p>Chave de acesso %s</p><a href=\"%s\">Imprimir</a>" % (
                html.escape(sessao["chave"]), IMPRESSAO)
            return self.responder(200, pagina("Visualização da NF-e", corpo))
        if esquema == "https" and caminho == IMPRESSAO and sessao["chave"]:
            return self.redirecionar("http", COMPLETA + "?tipoConteudo=" + portal.conteudo)
        if (esquema == "http" and caminho == COMPLETA and consulta == "tipoConteudo=" + portal.conteudo
                and sessao["chave"] in portal.paginas):
            return self.responder(200, portal.paginas[sessao["chave"]], "text/html")
        if esquema == "https" and caminho == INEXISTENTE:
            corpo = "<h1>NF-e INEXISTENTE na base nacional</h1><p>Consulte a SEFAZ de origem.</p>"
            return self.responder(200, pagina("NF-e inexistente", corpo))
        if esquema == "https" and caminho == INESPERADA:
            return self.responder(200, pagina("Manutenção", "<h1>Portal em manutenção</h1>"))
        self.responder(404, pagina("Não encontrada", "<h1>404</h1>"))


class Estranho(http.server.BaseHTTPRequestHandler):
    """Another origin: tells what reached it and answers with an image."""
    protocol_version = "HTTP/1.1"

    def log_message(self, formato, *args):
        pass

    def do_GET(self):
        print("FOREIGN %s cookie=%s agent=%s" % (self.path, "yes" if self.headers.get("Cookie") else "no",
                                                 self.headers.get("User-Agent", "")), flush=True)
        corpo = gif_captcha("XXXX")
        self.send_response(200)
        self.send_header("Content-Type", "image/gif")
        self.send_header("Content-Length", str(len(corpo)))
        self.end_headers()
        self.wfile.write(corpo)


class Servidor(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    contexto_tls: ssl.SSLContext = None

    def finish_request(self, requisicao, endereco):
        # Runs in the request's own thread: a slow handshake holds no one else up.
        try:
            requisicao.settimeout(30)
            primeiro = requisicao.recv(1, socket.MSG_PEEK)
            if primeiro == b"\x16":
                requisicao = self.contexto_tls.wrap_socket(requisicao, server_side=True)
            self.RequestHandlerClass(requisicao, endereco, self)
        except (OSError, ssl.SSLError):
            pass


def chave_da_pagina(dados):
    """The 44-digit access key a result page shows after "Chave de acesso"."""
    texto = dados.decode("utf-8", "replace")
    inicio = texto.lower().find("chave de acesso")
    digitos = ""
    for c in texto[inicio:]:
        if c.isdigit():
            digitos += c
            if len(digitos) == 44:
                return digitos
    raise SystemExit("no 44-digit key in the page")


def main():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--port", type=int, default=0)
    p.add_argument("--cert", required=True, help="server certificate (PEM)")
    p.add_argument("--key", required=True, help="server private key (PEM)")
    p.add_argument("--content-id", default="XbSeqxE8pl8=")
    p.add_argument("--page", action="append", default=[], help="result page fixture (repeatable)")
    p.add_argument("--captcha", help="always this captcha text (letters of the glyph table)")
    p.add_argument("--mode", default="normal",
                   choices=["normal", "inesperada", "sem-imagem", "sem-captcha", "erro", "sem-resposta",
                            "captcha-sem-fim", "captcha-lento", "captcha-redirecionado"],
                   help="inesperada: the first accepted form leads to an unknown page; sem-imagem: the consultation "
                        "page has no captcha image; sem-captcha: the captcha address answers 404; erro: the "
                        "consultation page answers 500; sem-resposta: the consultation page never answers; captcha-sem-fim: "
                        "the captcha download never ends; captcha-lento: it stops after its first bytes until a line comes on "
                        "standard input; captcha-redirecionado: it is "
                        "redirected to another origin (localhost, another port)")
    args = p.parse_args()

    paginas = {}
    for arquivo in args.page:
        with open(arquivo, "rb") as f:
            dados = f.read()
        paginas[chave_da_pagina(dados)] = dados
    portal = Portal(args.content_id, paginas, args.mode)
    portal.captcha_fixo = args.captcha
    if args.mode == "sem-imagem":
        portal.captcha_fixo = "4444"
    Tratador.portal = portal
    threading.Thread(target=lambda: sys.stdin.readline() and portal.continuar.set(), daemon=True).start()
    estranho = Servidor(("127.0.0.1", 0), Estranho)
    portal.porta_estranha = estranho.server_address[1]
    threading.Thread(target=estranho.serve_forever, daemon=True).start()
    servidor = Servidor(("127.0.0.1", args.port), Tratador)
    contexto = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    contexto.load_cert_chain(args.cert, args.key)
    servidor.contexto_tls = contexto
    print("PORT %d" % servidor.server_address[1], flush=True)
    try:
        servidor.serve_forever()
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    sys.exit(main())
