#!/usr/bin/env python3
"""A stand-in for the national environment's distribution service
(NFeDistribuicaoDFe, query by access key) and its event service
(NFeRecepcaoEvento4, event 210210), on loopback over mutual TLS.

  servico.py PKI_DIR FIXTURES_DIR [--servidor servidor|servidor-outra] ...

PKI_DIR is what pki.py makes: the server certificate, and ca.pem, the only
authority whose client certificates are accepted (none -> handshake refused).
Every distDFeInt and envEvento is checked against the official schema with
xmllint (invalid -> cStat 215); an event's signature is checked with xmlsec1
against ca.pem. Answers per key come from FIXTURES_DIR/chaves.json:

  {"KEY": {"resposta": "original", "documento": "nfe-KEY.xml"}, ...}

resposta: original (procNFe docZip of `documento`), resumo (resNFe only),
  a cStat (137, 632, 640, 656, ...: that rejection), zip-corrompido (a
  truncated gzip), zip-grande (`tamanho` bytes once inflated, default 20 MiB),
  resposta-enorme (a reply body of `tamanho` bytes, default 9 MiB),
  nao-xml (a text that is no XML), falha-soap (HTTP 500 with a SOAP fault).
evento: the event's cStat (default 135; 135, 136 and 573 register it).
depois: after an event is registered, "original" (default) or "resumo" (the
  service is late releasing it). atraso: seconds before replying.
soap11: reply in a SOAP 1.1 envelope. Keys not listed: 137.

Also like the real service: more than --limite queries per CNPJ/CPF in an
hour, or any query while blocked, get 656 and (re)start an hour's block.

Prints "PORT <n>" first, then one line per request ("POST <path> <key> <cStat>"),
per refused handshake ("TLS recusado: ...") and per schema error ("ESQUEMA ...").
GET /contagem answers the counts as JSON.
"""

import argparse
import base64
import datetime
import gzip
import http.server
import json
import os
import re
import socketserver
import ssl
import subprocess
import sys
import tempfile
import threading
import time
import xml.etree.ElementTree as ET

AQUI = os.path.dirname(os.path.abspath(__file__))
RAIZ = os.path.dirname(os.path.dirname(AQUI))

DISTRIBUICAO = "/NFeDistribuicaoDFe/NFeDistribuicaoDFe.asmx"
EVENTO = "/NFeRecepcaoEvento4/NFeRecepcaoEvento4.asmx"
NS_NFE = "http://www.portalfiscal.inf.br/nfe"
NS_WSDL_DIST = "http://www.portalfiscal.inf.br/nfe/wsdl/NFeDistribuicaoDFe"
NS_WSDL_EVENTO = "http://www.portalfiscal.inf.br/nfe/wsdl/NFeRecepcaoEvento4"
SOAP12 = "http://www.w3.org/2003/05/soap-envelope"
SOAP11 = "http://schemas.xmlsoap.org/soap/envelope/"
ACOES = {
    DISTRIBUICAO: {NS_WSDL_DIST + "/nfeDistDFeInteresse"},
    # The AN's own action has the NF suffix; other authorizers' does not. Both accepted.
    EVENTO: {NS_WSDL_EVENTO + "/nfeRecepcaoEventoNF", NS_WSDL_EVENTO + "/nfeRecepcaoEvento"},
}
REQUISICAO_MAXIMA = 1 << 20
BRASILIA = datetime.timezone(datetime.timedelta(hours=-3))

MOTIVOS = {
    137: "Nenhum documento localizado",
    138: "Documento localizado",
    215: "Rejeicao: Falha no schema XML",
    252: "Rejeicao: Ambiente informado diverge do Ambiente de recebimento",
    593: "Rejeicao: CNPJ-Base consultado difere do CNPJ-Base do Certificado Digital",
    632: "Rejeicao: Solicitacao fora de prazo, a NF-e nao esta mais disponivel para download",
    640: "Rejeicao: CNPJ/CPF do interessado nao possui permissao para consultar esta NF-e",
    641: "Rejeicao: NF-e indisponivel para o emitente",
    653: "Rejeicao: NF-e cancelada, arquivo indisponivel para download",
    654: "Rejeicao: NF-e denegada, arquivo indisponivel para download",
    656: "Rejeicao: Consumo Indevido (Ultrapassou o limite de 20 consultas por hora)",
    999: "Rejeicao: Erro nao catalogado",
}
MOTIVOS_EVENTO = {
    128: "Lote de evento processado",
    135: "Evento registrado e vinculado a NF-e",
    136: "Evento registrado, mas nao vinculado a NF-e",
    213: "Rejeicao: CNPJ-Base do Autor difere do CNPJ-Base do Certificado Digital",
    215: "Rejeicao: Falha no schema XML",
    297: "Rejeicao: Assinatura difere do calculado",
    494: "Rejeicao: Chave de Acesso inexistente",
    572: "Rejeicao: Erro Atributo ID do evento nao corresponde a concatenacao dos campos (ID + tpEvento + chNFe + nSeqEvento)",
    573: "Rejeicao: Duplicidade de evento",
    574: "Rejeicao: O autor do evento diverge do interessado da NF-e",
    650: "Rejeicao: Evento de \"Ciencia da Operacao\" para NF-e Cancelada ou Denegada",
}


def agora_brasilia():
    return datetime.datetime.now(BRASILIA).strftime("%Y-%m-%dT%H:%M:%S-03:00")


def escapar(texto):
    return texto.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;").replace('"', "&quot;")


# ---- the client certificate's CNPJ/CPF (ICP-Brasil otherName in the SAN) ----

def _tlv(der, i):
    """Tag, start of value and end of value of the DER element at i."""
    tag, n = der[i], der[i + 1]
    i += 2
    if n & 0x80:
        k = n & 0x7F
        n = int.from_bytes(der[i:i + k], "big")
        i += k
    return tag, i, i + n


def documento_do_certificado(der):
    """("CNPJ", 14 digits) from otherName 2.16.76.1.3.3, or ("CPF", 11 digits) from
    2.16.76.1.3.1 (birth date, then the CPF); None when neither is there."""
    for oid, tipo in ((b"\x06\x05\x60\x4c\x01\x03\x03", "CNPJ"), (b"\x06\x05\x60\x4c\x01\x03\x01", "CPF")):
        i = der.find(oid + b"\xa0")
        if i < 0:
            continue
        _, ini, _ = _tlv(der, i + len(oid))
        _, ini, fim = _tlv(der, ini)
        valor = der[ini:fim].decode("ascii", "replace")
        return (tipo, valor[:14]) if tipo == "CNPJ" else (tipo, valor[8:19])
    return None


# ---- replies ----

def envelope(corpo, soap11=False):
    ns = SOAP11 if soap11 else SOAP12
    return ('<?xml version="1.0" encoding="utf-8"?><soap:Envelope xmlns:soap="%s" '
            'xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance" xmlns:xsd="http://www.w3.org/2001/XMLSchema">'
            '<soap:Body>%s</soap:Body></soap:Envelope>' % (ns, corpo)).encode("utf-8")


def falha_soap(texto):
    return envelope('<soap:Fault><soap:Code><soap:Value>soap:Receiver</soap:Value></soap:Code><soap:Reason>'
                    '<soap:Text xml:lang="en">%s</soap:Text></soap:Reason><soap:Detail /></soap:Fault>' % escapar(texto))


def ret_dist(tp_amb, cstat, documentos=(), soap11=False, motivo=None):
    """documentos: (schema, nsu or None, docZip text) each."""
    lote = ""
    if documentos:
        lote = "<loteDistDFeInt>%s</loteDistDFeInt>" % "".join(
            '<docZip%s schema="%s">%s</docZip>' % (' NSU="%s"' % nsu if nsu else "", schema, conteudo)
            for schema, nsu, conteudo in documentos)
    extra = "<ultNSU>000000000000000</ultNSU><maxNSU>000000000000000</maxNSU>" if cstat in (137, 656) else ""
    ret = ('<retDistDFeInt xmlns:xsd="http://www.w3.org/2001/XMLSchema" '
           'xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance" xmlns="%s" versao="1.01">'
           '<tpAmb>%d</tpAmb><verAplic>1.7.8</verAplic><cStat>%d</cStat><xMotivo>%s</xMotivo><dhResp>%s</dhResp>'
           '%s%s</retDistDFeInt>' % (NS_NFE, tp_amb, cstat, escapar(motivo or MOTIVOS.get(cstat, MOTIVOS[999])),
                                     agora_brasilia(), extra, lote))
    return envelope('<nfeDistDFeInteresseResponse xmlns="%s"><nfeDistDFeInteresseResult>%s'
                    '</nfeDistDFeInteresseResult></nfeDistDFeInteresseResponse>' % (NS_WSDL_DIST, ret), soap11)


def ret_evento(tp_amb, id_lote, resultados, cstat_lote=128):
    """resultados: (cStat, chNFe, documento (tipo, valor), nProt or None) each."""
    eventos = ""
    for cstat, chave, documento, protocolo in resultados:
        dest = "<%sDest>%s</%sDest>" % (documento[0], documento[1], documento[0]) if documento else ""
        prot = "<nProt>%s</nProt>" % protocolo if protocolo else ""
        eventos += ('<retEvento versao="1.00"><infEvento><tpAmb>%d</tpAmb><verAplic>AN_1.5.0</verAplic>'
                    '<cOrgao>91</cOrgao><cStat>%d</cStat><xMotivo>%s</xMotivo><chNFe>%s</chNFe>'
                    '<tpEvento>210210</tpEvento><xEvento>Ciencia da Operacao</xEvento><nSeqEvento>1</nSeqEvento>'
                    '%s<dhRegEvento>%s</dhRegEvento>%s</infEvento></retEvento>'
                    % (tp_amb, cstat, escapar(MOTIVOS_EVENTO.get(cstat, MOTIVOS[999])), chave, dest,
                       agora_brasilia(), prot))
    ret = ('<retEnvEvento versao="1.00" xmlns="%s"><idLote>%s</idLote><tpAmb>%d</tpAmb><verAplic>AN_1.5.0'
           '</verAplic><cOrgao>91</cOrgao><cStat>%d</cStat><xMotivo>%s</xMotivo>%s</retEnvEvento>'
           % (NS_NFE, id_lote, tp_amb, cstat_lote, escapar(MOTIVOS_EVENTO.get(cstat_lote, MOTIVOS[999])), eventos))
    return envelope('<nfeRecepcaoEventoNFResult xmlns="%s">%s</nfeRecepcaoEventoNFResult>' % (NS_WSDL_EVENTO, ret))


def doc_zip(dados):
    return base64.b64encode(gzip.compress(dados)).decode("ascii")


def zip_grande(tamanho):
    """base64(gzip) of an nfeProc-looking document of `tamanho` bytes, made in pieces."""
    compressor = gzip.zlib.compressobj(9, gzip.zlib.DEFLATED, 31)
    cabeca = b'<?xml version="1.0" encoding="UTF-8"?><nfeProc xmlns="http://www.portalfiscal.inf.br/nfe" versao="4.00">'
    partes = [compressor.compress(cabeca)]
    bloco = b" " * (1 << 20)
    restante = tamanho - len(cabeca)
    while restante > 0:
        partes.append(compressor.compress(bloco[:restante]))
        restante -= len(bloco)
    partes.append(compressor.flush())
    return base64.b64encode(b"".join(partes)).decode("ascii")


def resumo(chave, documento=None):
    """The resNFe the service gives a recipient that has not acknowledged the operation."""
    digest = "AAAAAAAAAAAAAAAAAAAAAAAAAAA="
    valor = "100.00"
    if documento:
        achado = re.search(rb"<DigestValue>([^<]+)</DigestValue>", documento)
        digest = achado.group(1).decode() if achado else digest
        achado = re.search(rb"<vNF>([^<]+)</vNF>", documento)
        valor = achado.group(1).decode() if achado else valor
    return ('<resNFe xmlns:xsd="http://www.w3.org/2001/XMLSchema" xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance"'
            ' versao="1.01" xmlns="%s"><chNFe>%s</chNFe><CNPJ>%s</CNPJ><xNome>INDUSTRIA EMITENTE SA</xNome>'
            '<IE>111222333444</IE><dhEmi>2026-11-03T10:15:00-03:00</dhEmi><tpNF>1</tpNF><vNF>%s</vNF>'
            '<digVal>%s</digVal><dhRecbto>2026-11-03T10:15:42-03:00</dhRecbto><nProt>135260000000001</nProt>'
            '<cSitNFe>1</cSitNFe></resNFe>' % (NS_NFE, chave, chave[6:20], valor, digest)).encode("utf-8")


def esquema_do_documento(dados):
    """procNFe_vX.xsd from the nfeProc's versao."""
    achado = re.search(rb"<nfeProc[^>]*\sversao=\"([0-9.]+)\"", dados)
    return "procNFe_v%s.xsd" % (achado.group(1).decode() if achado else "4.00")


# ---- the service's state ----

class Servico:
    def __init__(self, pki, fixturas, xsd, tp_amb, limite, saida=sys.stdout):
        self.pki = pki
        self.fixturas = fixturas
        self.xsd = xsd
        self.tp_amb = tp_amb
        self.limite = limite
        self.saida = saida
        self.trava = threading.Lock()
        self.contagem = {DISTRIBUICAO: 0, EVENTO: 0, "tls_recusadas": 0, "esquema_invalido": 0, "eventos": {}}
        self.consultas = {}  # CNPJ/CPF -> times of its queries in the last hour
        self.bloqueio = {}  # CNPJ/CPF -> blocked until
        self.ciencia = set()  # keys whose acknowledgement is registered
        self.nsu = 1000
        caminho = os.path.join(fixturas, "chaves.json")
        self.chaves = {}
        if os.path.exists(caminho):
            with open(caminho, encoding="utf-8") as f:
                self.chaves = json.load(f)

    def registrar(self, linha):
        with self.trava:
            print(linha, file=self.saida, flush=True)

    def ler_documento(self, nome):
        with open(os.path.join(self.fixturas, nome), "rb") as f:
            return f.read()

    def validar(self, xml, esquema):
        """None when valid; else the first error xmllint gives."""
        r = subprocess.run(["xmllint", "--noout", "--nonet", "--schema", os.path.join(self.xsd, esquema), "-"],
                           input=xml, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        if r.returncode == 0:
            return None
        linhas = [l for l in r.stderr.decode("utf-8", "replace").splitlines() if l.strip()]
        return linhas[0] if linhas else "xmllint status %d" % r.returncode

    def assinatura_confere(self, xml):
        with tempfile.NamedTemporaryFile(suffix=".xml") as f:
            f.write(xml)
            f.flush()
            r = subprocess.run(["xmlsec1", "--verify", "--id-attr:Id", "infEvento", "--trusted-pem",
                                os.path.join(self.pki, "ca.pem"), f.name], stdout=subprocess.PIPE,
                               stderr=subprocess.PIPE)
        return r.returncode == 0

    def uso_indevido(self, documento):
        """Whether this query breaks the limit; every query while blocked restarts the hour."""
        with self.trava:
            agora = time.monotonic()
            if self.bloqueio.get(documento, 0) > agora:
                self.bloqueio[documento] = agora + 3600
                return True
            recentes = [t for t in self.consultas.get(documento, []) if t > agora - 3600] + [agora]
            self.consultas[documento] = recentes
            if self.limite and len(recentes) > self.limite:
                self.bloqueio[documento] = agora + 3600
                return True
            return False

    def bloquear(self, documento):
        with self.trava:
            self.bloqueio[documento] = time.monotonic() + 3600

    def proximo_nsu(self):
        with self.trava:
            self.nsu += 1
            return "%015d" % self.nsu

    # ---- NFeDistribuicaoDFe ----
    def distribuicao(self, corpo, certificado):
        """(HTTP status, content type, body, key or '-', cStat, delay)."""
        bruto = extrair(corpo, "distDFeInt")
        if bruto is None:
            return self._rejeicao_dist(215, "-", "no distDFeInt in the request")
        erro = self.validar(bruto, "distdfe/distDFeInt_v1.01.xsd")
        if erro:
            return self._rejeicao_dist(215, "-", erro)
        dist = ET.fromstring(bruto)
        texto = lambda nome: (dist.findtext("{%s}%s" % (NS_NFE, nome)) or "").strip()
        chave = (dist.findtext("{%s}consChNFe/{%s}chNFe" % (NS_NFE, NS_NFE)) or "-").strip()
        tipo = "CNPJ" if texto("CNPJ") else "CPF"
        pedido = texto(tipo)
        if int(texto("tpAmb")) != self.tp_amb:
            return 200, None, ret_dist(self.tp_amb, 252), chave, 252, 0
        if certificado is None or certificado[0] != tipo or (
                pedido[:8] != certificado[1][:8] if tipo == "CNPJ" else pedido != certificado[1]):
            return 200, None, ret_dist(self.tp_amb, 593), chave, 593, 0
        if chave == "-":  # distNSU / consNSU: nothing new for this stand-in
            return 200, None, ret_dist(self.tp_amb, 137), chave, 137, 0
        if self.uso_indevido(pedido):
            return 200, None, ret_dist(self.tp_amb, 656), chave, 656, 0
        fixa = self.chaves.get(chave, {})
        atraso = float(fixa.get("atraso", 0))
        soap11 = bool(fixa.get("soap11"))
        resposta = str(fixa.get("resposta", "137"))
        documento = self.ler_documento(fixa["documento"]) if "documento" in fixa else None
        if resposta == "resumo" and chave in self.ciencia and fixa.get("depois", "original") == "original":
            resposta = "original"
        if resposta == "original":
            docs = [(esquema_do_documento(documento), self.proximo_nsu(), doc_zip(documento))]
            return 200, None, ret_dist(self.tp_amb, 138, docs, soap11), chave, 138, atraso
        if resposta == "resumo":
            docs = [("resNFe_v1.01.xsd", None, doc_zip(resumo(chave, documento)))]
            return 200, None, ret_dist(self.tp_amb, 138, docs, soap11), chave, 138, atraso
        if resposta == "zip-corrompido":
            inteiro = gzip.compress(documento or resumo(chave))
            docs = [("procNFe_v4.00.xsd", self.proximo_nsu(), base64.b64encode(inteiro[:len(inteiro) // 2]).decode())]
            return 200, None, ret_dist(self.tp_amb, 138, docs, soap11), chave, 138, atraso
        if resposta == "zip-grande":
            docs = [("procNFe_v4.00.xsd", self.proximo_nsu(), zip_grande(int(fixa.get("tamanho", 20 << 20))))]
            return 200, None, ret_dist(self.tp_amb, 138, docs, soap11), chave, 138, atraso
        if resposta == "resposta-enorme":  # past any sane reply size, before inflating anything
            bruto = base64.b64encode(os.urandom(int(fixa.get("tamanho", 9 << 20)) * 3 // 4)).decode()
            docs = [("procNFe_v4.00.xsd", self.proximo_nsu(), bruto)]
            return 200, None, ret_dist(self.tp_amb, 138, docs, soap11), chave, 138, atraso
        if resposta == "nao-xml":
            return 200, "text/plain; charset=utf-8", b"Servico temporariamente indisponivel.\r\n", chave, 0, atraso
        if resposta == "falha-soap":
            return 500, None, falha_soap("Server was unable to process request. ---> Object reference not set "
                                         "to an instance of an object."), chave, 0, atraso
        cstat = int(resposta)
        if cstat == 656:
            self.bloquear(pedido)
        return 200, None, ret_dist(self.tp_amb, cstat, soap11=soap11), chave, cstat, atraso

    def _rejeicao_dist(self, cstat, chave, erro):
        with self.trava:
            self.contagem["esquema_invalido"] += 1
        self.registrar("ESQUEMA %s: %s" % (DISTRIBUICAO, erro))
        return 200, None, ret_dist(self.tp_amb, cstat), chave, cstat, 0

    # ---- NFeRecepcaoEvento4 ----
    def evento(self, corpo, certificado):
        bruto = extrair(corpo, "envEvento")
        erro = "no envEvento in the request" if bruto is None else self.validar(
            bruto, "confrecebto/envConfRecebto_v1.00.xsd")
        if erro:
            with self.trava:
                self.contagem["esquema_invalido"] += 1
            self.registrar("ESQUEMA %s: %s" % (EVENTO, erro))
            return 200, None, ret_evento(self.tp_amb, "0", [], 215), "-", 215, 0
        env = ET.fromstring(bruto)
        id_lote = env.findtext("{%s}idLote" % NS_NFE)
        assinatura_ok = self.assinatura_confere(bruto)
        assinante = None
        achado = re.search(rb"<X509Certificate>([^<]+)</X509Certificate>", bruto)
        if achado:
            assinante = documento_do_certificado(base64.b64decode(achado.group(1)))
        resultados, atraso, chaves = [], 0, []
        for ev in env.findall("{%s}evento" % NS_NFE):
            inf = ev.find("{%s}infEvento" % NS_NFE)
            campo = lambda nome: (inf.findtext("{%s}%s" % (NS_NFE, nome)) or "").strip()
            chave = campo("chNFe")
            chaves.append(chave)
            with self.trava:
                self.contagem["eventos"][chave] = self.contagem["eventos"].get(chave, 0) + 1
            tipo = "CNPJ" if campo("CNPJ") else "CPF"
            autor = (tipo, campo(tipo))
            fixa = self.chaves.get(chave)
            atraso = max(atraso, float((fixa or {}).get("atraso", 0)))
            if not assinatura_ok:
                cstat = 297
            elif inf.get("Id") != "ID" + campo("tpEvento") + chave + "%02d" % int(campo("nSeqEvento") or 0):
                cstat = 572
            elif int(campo("tpAmb")) != self.tp_amb:
                cstat = 252
            elif assinante is None or autor[0] != assinante[0] or autor[1][:8] != assinante[1][:8]:
                cstat = 213
            elif certificado is None or autor != certificado:
                cstat = 574
            elif fixa is None:
                cstat = 494
            else:
                cstat = int(fixa.get("evento", 135))
            if cstat in (135, 136, 573):
                with self.trava:
                    self.ciencia.add(chave)
            protocolo = "891%012d" % int(self.proximo_nsu()) if cstat in (135, 136) else None
            resultados.append((cstat, chave, autor if cstat in (135, 136) else None, protocolo))
        cstat = resultados[0][0] if len(resultados) == 1 else 128
        return 200, None, ret_evento(self.tp_amb, id_lote, resultados), ",".join(chaves) or "-", cstat, atraso


def extrair(corpo, nome):
    """The element `nome` of the portal's namespace, as the bytes the client sent (so its
    signature can be checked as signed); None when absent or the body is no XML."""
    try:
        raiz = ET.fromstring(corpo)
    except ET.ParseError:
        return None
    if raiz.find(".//{%s}%s" % (NS_NFE, nome)) is None:
        return None
    achado = re.search(rb"<%s[\s>].*</%s>" % (nome.encode(), nome.encode()), corpo, re.S)
    return achado.group(0) if achado else None


class Tratador(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    servico: Servico = None

    def log_message(self, formato, *args):
        pass

    def responder(self, status, corpo, tipo=None):
        self.send_response(status)
        self.send_header("Content-Type", tipo or "application/soap+xml; charset=utf-8")
        self.send_header("Content-Length", str(len(corpo)))
        self.end_headers()
        self.wfile.write(corpo)

    def ler_corpo(self):
        if "chunked" in self.headers.get("Transfer-Encoding", "").lower():
            partes, total = [], 0
            while True:
                tamanho = int(self.rfile.readline().split(b";")[0].strip(), 16)
                if tamanho == 0:
                    while self.rfile.readline() not in (b"\r\n", b"\n", b""):
                        pass
                    return b"".join(partes)
                total += tamanho
                if total > REQUISICAO_MAXIMA:
                    return None
                partes.append(self.rfile.read(tamanho))
                self.rfile.readline()
        tamanho = int(self.headers.get("Content-Length") or 0)
        return None if tamanho > REQUISICAO_MAXIMA else self.rfile.read(tamanho)

    def acao(self):
        tipo = self.headers.get("Content-Type", "")
        achado = re.search(r'action="?([^";]+)"?', tipo)
        if achado:
            return achado.group(1)
        return (self.headers.get("SOAPAction") or "").strip('"') or None

    def do_GET(self):
        if self.path == "/contagem":
            with self.servico.trava:
                corpo = json.dumps(self.servico.contagem, sort_keys=True).encode()
            self.responder(200, corpo, "application/json")
        else:
            self.responder(404, b"", "text/plain")

    def do_POST(self):
        caminho = self.path.split("?")[0]
        corpo = self.ler_corpo()
        if caminho not in ACOES:
            self.servico.registrar("POST %s - 404" % caminho)
            self.responder(404, b"Not Found", "text/plain")
            return
        with self.servico.trava:
            self.servico.contagem[caminho] += 1
        if corpo is None:
            self.servico.registrar("POST %s - 413" % caminho)
            self.responder(413, b"Request Entity Too Large", "text/plain")
            self.close_connection = True
            return
        acao = self.acao()
        if acao is not None and acao not in ACOES[caminho]:
            self.servico.registrar("POST %s - acao %s" % (caminho, acao))
            self.responder(500, falha_soap("Server did not recognize the value of HTTP Header SOAPAction: %s." % acao))
            return
        der = self.connection.getpeercert(binary_form=True)
        certificado = documento_do_certificado(der) if der else None
        metodo = self.servico.distribuicao if caminho == DISTRIBUICAO else self.servico.evento
        status, tipo, resposta, chave, cstat, atraso = metodo(corpo, certificado)
        self.servico.registrar("POST %s %s %s" % (caminho, chave, cstat))
        if atraso:
            time.sleep(atraso)
        self.responder(status, resposta, tipo)


class Servidor(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    contexto_tls = None

    def finish_request(self, requisicao, endereco):
        # The handshake runs in the connection's own thread, so a stalled client holds up no one.
        try:
            requisicao.settimeout(30)
            requisicao = self.contexto_tls.wrap_socket(requisicao, server_side=True)
        except (OSError, ssl.SSLError) as e:
            with Tratador.servico.trava:
                Tratador.servico.contagem["tls_recusadas"] += 1
            Tratador.servico.registrar("TLS recusado: %s" % (getattr(e, "reason", None) or e))
            return
        try:
            self.RequestHandlerClass(requisicao, endereco, self)
        except (OSError, ssl.SSLError):
            pass


def main():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("pki", help="directory made by pki.py")
    p.add_argument("fixturas", help="directory with chaves.json and the documents it names")
    p.add_argument("--porta", type=int, default=0)
    p.add_argument("--servidor", default="servidor", help="server certificate's name in PKI_DIR (.pem/.key)")
    p.add_argument("--xsd", default=os.path.join(RAIZ, "data", "xsd"), help="the official schemas")
    p.add_argument("--homologacao", action="store_true", help="expect tpAmb 2 instead of 1")
    p.add_argument("--limite", type=int, default=20, help="queries per CNPJ/CPF per hour before 656 (0: none)")
    args = p.parse_args()

    servico = Servico(args.pki, args.fixturas, args.xsd, 2 if args.homologacao else 1, args.limite)
    Tratador.servico = servico
    contexto = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    contexto.minimum_version = ssl.TLSVersion.TLSv1_2
    contexto.verify_mode = ssl.CERT_REQUIRED
    contexto.load_verify_locations(os.path.join(args.pki, "ca.pem"))
    contexto.load_cert_chain(os.path.join(args.pki, args.servidor + ".pem"), os.path.join(args.pki, args.servidor + ".key"))
    servidor = Servidor(("127.0.0.1", args.porta), Tratador)
    servidor.contexto_tls = contexto
    print("PORT %d" % servidor.server_address[1], flush=True)
    try:
        servidor.serve_forever()
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    sys.exit(main())
