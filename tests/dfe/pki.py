#!/usr/bin/env python3
"""The test PKI and the signed NF-e fixtures of the certificate route, made
with the openssl and xmlsec1 commands in a directory of the caller's.

Nothing here is secret or committed: every run makes new keys.

  pki.py DIR [KEY...]   makes the PKI in DIR and, per key, DIR/nfe-KEY.xml
                        (signed by the test issuer) and DIR/adulterada-KEY.xml

Files in DIR:
  ca.pem             the test authority the stand-in trusts for clients and
                     serves its certificate from (SALVEXA_CA for the client)
  outra-ca.pem       a second authority nobody trusts
  servidor.pem/.key  127.0.0.1 (SAN IP) and localhost, from ca.pem
  servidor-outra.pem/.key  the same names, from outra-ca.pem
  ecnpj.pfx          e-CNPJ-like client certificate, modern PKCS#12 (AES, PBKDF2)
  ecnpj-legacy.pfx   the same certificate, legacy encryption (RC2-40, 3DES)
  ecpf.pfx           e-CPF-like client certificate
  vencido.pfx        e-CNPJ-like, expired a year ago
  outra-ca-cliente.pfx  e-CNPJ-like, from outra-ca.pem
  emitente.pem/.key  the issuer that signs the fixture NF-e documents
All PKCS#12 files have the password SENHA.
"""

import datetime
import os
import re
import subprocess
import sys
import tempfile

SENHA = "senha de teste 1"
# The certificates' documents. The common name carries other digits on
# purpose: a client must read the subject alternative name, never the CN.
CNPJ = "11222333000181"
CNPJ_NO_CN = "99888777000166"
CPF = "12345678909"
NASCIMENTO = "01011980"
CPF_RESPONSAVEL = "98765432100"
CNPJ_EMITENTE = "04252011000110"


def executar(*comando, entrada=None, pasta=None):
    r = subprocess.run(comando, input=entrada, cwd=pasta, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    if r.returncode != 0:
        raise RuntimeError("%s failed: %s" % (" ".join(comando), r.stderr.decode(errors="replace")))
    return r.stdout


def digito_verificador(chave43):
    """Modulo-11 check digit of an access key (weights 2..9 from the right)."""
    soma, peso = 0, 2
    for d in reversed(chave43):
        soma += int(d) * peso
        peso = 2 if peso == 9 else peso + 1
    resto = 11 - soma % 11
    return "0" if resto >= 10 else str(resto)


def chave(numero, cnpj=CNPJ_EMITENTE, uf="35", aamm="2611", serie=1):
    """A valid access key for invoice `numero` of the issuer."""
    base = "%s%s%s55%03d%09d1%08d" % (uf, aamm, cnpj, serie, numero, (numero * 7919) % 10**8)
    return base + digito_verificador(base)


def chave_com_digito_errado(numero):
    c = chave(numero)
    return c[:43] + str((int(c[43]) + 1) % 10)


# ---- the PKI ----

def _config_san(caminho, outros_nomes, ip=False):
    linhas = ["basicConstraints=critical,CA:FALSE", "subjectAltName=@san"]
    if ip:
        linhas += ["keyUsage=critical,digitalSignature,keyEncipherment", "extendedKeyUsage=serverAuth"]
    else:
        linhas += ["keyUsage=critical,digitalSignature,nonRepudiation,keyEncipherment",
                   "extendedKeyUsage=clientAuth,emailProtection"]
    linhas.append("[san]")
    if ip:
        linhas += ["IP.1 = 127.0.0.1", "DNS.1 = localhost"]
    for n, (oid, valor) in enumerate(outros_nomes, 1):
        linhas.append("otherName.%d = %s;FORMAT:ASCII,OCT:%s" % (n, oid, valor))
    with open(caminho, "w") as f:
        f.write("\n".join(linhas) + "\n")


def _autoridade(pasta, nome, titulo):
    executar("openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", nome + ".key", "-out",
             nome + ".pem", "-days", "30", "-subj", "/C=BR/O=Salvexa Teste/CN=" + titulo, "-addext",
             "basicConstraints=critical,CA:TRUE", "-addext", "keyUsage=critical,keyCertSign,cRLSign", pasta=pasta)


def _emitir(pasta, nome, ca, assunto, outros_nomes=(), ip=False, vencido=False):
    """A key and a certificate signed by the authority `ca`."""
    _config_san(os.path.join(pasta, nome + ".cnf"), outros_nomes, ip)
    executar("openssl", "req", "-newkey", "rsa:2048", "-nodes", "-keyout", nome + ".key", "-out", nome + ".csr",
             "-subj", assunto, pasta=pasta)
    if not vencido:
        executar("openssl", "x509", "-req", "-in", nome + ".csr", "-CA", ca + ".pem", "-CAkey", ca + ".key",
                 "-CAcreateserial", "-out", nome + ".pem", "-days", "30", "-extfile", nome + ".cnf", pasta=pasta)
        return
    # Valid from two years ago to one year ago: `openssl ca` sets both dates.
    banco = os.path.join(pasta, "ca-banco")
    os.makedirs(banco, exist_ok=True)
    open(os.path.join(banco, "index.txt"), "w").close()
    with open(os.path.join(banco, "serial"), "w") as f:
        f.write("1000\n")
    with open(os.path.join(pasta, "ca.cnf"), "w") as f:
        f.write("[ca]\ndefault_ca=teste\n[teste]\ndir=%s\ndatabase=$dir/index.txt\nserial=$dir/serial\n"
                "new_certs_dir=$dir\ndefault_md=sha256\npolicy=livre\nunique_subject=no\n"
                "[livre]\ncommonName=supplied\n" % banco)
    hoje = datetime.datetime.now(datetime.timezone.utc)
    inicio, fim = hoje - datetime.timedelta(days=730), hoje - datetime.timedelta(days=365)
    executar("openssl", "ca", "-batch", "-notext", "-config", "ca.cnf", "-cert", ca + ".pem", "-keyfile", ca + ".key",
             "-in", nome + ".csr", "-out", nome + ".pem", "-extfile", nome + ".cnf",
             "-startdate", inicio.strftime("%Y%m%d%H%M%SZ"), "-enddate", fim.strftime("%Y%m%d%H%M%SZ"), pasta=pasta)


def _pkcs12(pasta, nome, destino, ca, legado=False):
    comando = ["openssl", "pkcs12", "-export", "-inkey", nome + ".key", "-in", nome + ".pem", "-certfile",
               ca + ".pem", "-name", nome, "-out", destino, "-passout", "pass:" + SENHA]
    if legado:
        comando.append("-legacy")
    executar(*comando, pasta=pasta)


def outros_nomes_ecnpj(cnpj):
    """The otherName entries of an RFB e-CNPJ: the responsible person's data, name, the CNPJ, CEI."""
    return [("2.16.76.1.3.4", NASCIMENTO + CPF_RESPONSAVEL + "0" * 11 + "0" * 15 + "SSPSP"),
            ("2.16.76.1.3.2", "FULANO DE TAL"), ("2.16.76.1.3.3", cnpj), ("2.16.76.1.3.7", "0" * 12)]


def criar_pki(pasta):
    os.makedirs(pasta, exist_ok=True)
    _autoridade(pasta, "ca", "Salvexa Teste AC Raiz")
    _autoridade(pasta, "outra-ca", "Outra AC Nao Confiavel")
    _emitir(pasta, "servidor", "ca", "/C=BR/O=Salvexa Teste/CN=127.0.0.1", ip=True)
    _emitir(pasta, "servidor-outra", "outra-ca", "/C=BR/O=Outra/CN=127.0.0.1", ip=True)
    assunto = "/C=BR/O=ICP-Brasil/OU=Teste/CN=EMPRESA TESTE LTDA:" + CNPJ_NO_CN
    _emitir(pasta, "ecnpj", "ca", assunto, outros_nomes_ecnpj(CNPJ))
    _pkcs12(pasta, "ecnpj", "ecnpj.pfx", "ca")
    _pkcs12(pasta, "ecnpj", "ecnpj-legacy.pfx", "ca", legado=True)
    ecpf = NASCIMENTO + CPF + "0" * 11 + "0" * 15 + "SSPSP"
    _emitir(pasta, "ecpf", "ca", "/C=BR/O=ICP-Brasil/OU=Teste/CN=FULANO DE TAL:" + CPF_RESPONSAVEL,
            [("2.16.76.1.3.1", ecpf), ("2.16.76.1.3.6", "0" * 12), ("2.16.76.1.3.5", "0" * 22)])
    _pkcs12(pasta, "ecpf", "ecpf.pfx", "ca")
    _emitir(pasta, "vencido", "ca", assunto, outros_nomes_ecnpj(CNPJ), vencido=True)
    _pkcs12(pasta, "vencido", "vencido.pfx", "ca")
    _emitir(pasta, "outra-ca-cliente", "outra-ca", assunto, outros_nomes_ecnpj(CNPJ))
    _pkcs12(pasta, "outra-ca-cliente", "outra-ca-cliente.pfx", "outra-ca")
    _emitir(pasta, "emitente", "ca", "/C=BR/O=ICP-Brasil/CN=INDUSTRIA EMITENTE SA:" + CNPJ_EMITENTE,
            outros_nomes_ecnpj(CNPJ_EMITENTE))
    return pasta


# ---- the signed NF-e ----

NFE = """<?xml version="1.0" encoding="UTF-8"?>
<nfeProc xmlns="http://www.portalfiscal.inf.br/nfe" versao="4.00"><NFe xmlns="http://www.portalfiscal.inf.br/nfe"><infNFe Id="NFe{chave}" versao="4.00"><ide><cUF>{uf}</cUF><cNF>{cnf}</cNF><natOp>Venda de mercadoria</natOp><mod>55</mod><serie>{serie}</serie><nNF>{nnf}</nNF><dhEmi>2026-11-03T10:15:00-03:00</dhEmi><tpNF>1</tpNF><idDest>1</idDest><cMunFG>3550308</cMunFG><tpImp>1</tpImp><tpEmis>1</tpEmis><cDV>{dv}</cDV><tpAmb>1</tpAmb><finNFe>1</finNFe><indFinal>0</indFinal><indPres>9</indPres><procEmi>0</procEmi><verProc>Teste 1.0</verProc></ide><emit><CNPJ>{emitente}</CNPJ><xNome>INDUSTRIA EMITENTE SA</xNome><enderEmit><xLgr>Rua das Flores</xLgr><nro>100</nro><xBairro>Centro</xBairro><cMun>3550308</cMun><xMun>São Paulo</xMun><UF>SP</UF><CEP>01001000</CEP></enderEmit><IE>111222333444</IE><CRT>3</CRT></emit><dest><CNPJ>{destinatario}</CNPJ><xNome>EMPRESA TESTE LTDA</xNome><enderDest><xLgr>Avenida Paulista</xLgr><nro>1000</nro><xBairro>Bela Vista</xBairro><cMun>3550308</cMun><xMun>São Paulo</xMun><UF>SP</UF><CEP>01310100</CEP></enderDest><indIEDest>9</indIEDest></dest><det nItem="1"><prod><cProd>001</cProd><cEAN>SEM GTIN</cEAN><xProd>Café torrado e moído 500 g</xProd><NCM>09012100</NCM><CFOP>5102</CFOP><uCom>UN</uCom><qCom>10.0000</qCom><vUnCom>{unitario}</vUnCom><vProd>{total}</vProd><cEANTrib>SEM GTIN</cEANTrib><uTrib>UN</uTrib><qTrib>10.0000</qTrib><vUnTrib>{unitario}</vUnTrib><indTot>1</indTot></prod><imposto><ICMS><ICMS40><orig>0</orig><CST>41</CST></ICMS40></ICMS><PIS><PISNT><CST>07</CST></PISNT></PIS><COFINS><COFINSNT><CST>07</CST></COFINSNT></COFINS></imposto></det><total><ICMSTot><vBC>0.00</vBC><vICMS>0.00</vICMS><vICMSDeson>0.00</vICMSDeson><vFCP>0.00</vFCP><vBCST>0.00</vBCST><vST>0.00</vST><vFCPST>0.00</vFCPST><vFCPSTRet>0.00</vFCPSTRet><vProd>{total}</vProd><vFrete>0.00</vFrete><vSeg>0.00</vSeg><vDesc>0.00</vDesc><vII>0.00</vII><vIPI>0.00</vIPI><vIPIDevol>0.00</vIPIDevol><vPIS>0.00</vPIS><vCOFINS>0.00</vCOFINS><vOutro>0.00</vOutro><vNF>{total}</vNF></ICMSTot></total><transp><modFrete>9</modFrete></transp><pag><detPag><tPag>15</tPag><vPag>{total}</vPag></detPag></pag><infAdic><infCpl>Documento de teste, sem valor fiscal.</infCpl></infAdic></infNFe><Signature xmlns="http://www.w3.org/2000/09/xmldsig#"><SignedInfo><CanonicalizationMethod Algorithm="http://www.w3.org/TR/2001/REC-xml-c14n-20010315"/><SignatureMethod Algorithm="http://www.w3.org/2000/09/xmldsig#rsa-sha1"/><Reference URI="#NFe{chave}"><Transforms><Transform Algorithm="http://www.w3.org/2000/09/xmldsig#enveloped-signature"/><Transform Algorithm="http://www.w3.org/TR/2001/REC-xml-c14n-20010315"/></Transforms><DigestMethod Algorithm="http://www.w3.org/2000/09/xmldsig#sha1"/><DigestValue/></Reference></SignedInfo><SignatureValue/><KeyInfo><X509Data><X509Certificate/></X509Data></KeyInfo></Signature></NFe><protNFe versao="4.00"><infProt><tpAmb>1</tpAmb><verAplic>SP_NFE_PL009_V4</verAplic><chNFe>{chave}</chNFe><dhRecbto>2026-11-03T10:15:42-03:00</dhRecbto><nProt>135260000{nnf:06d}</nProt><digVal>DIGEST</digVal><cStat>100</cStat><xMotivo>Autorizado o uso da NF-e</xMotivo></infProt></protNFe></nfeProc>
"""


def _valor(chave_):
    centavos = 1000 + int(chave_[25:34]) % 90000
    return "%d.%02d" % (centavos // 100, centavos % 100)


def assinar_nfe(pasta, chave_, destinatario=CNPJ, destino=None):
    """nfe-KEY.xml: an nfeProc signed by the test issuer of the PKI in `pasta`
    (enveloped, C14N, RSA-SHA1, the certificate in X509Data), and
    adulterada-KEY.xml: the same after signing with the total changed; both in
    `destino` (default `pasta`). Returns the signed document's bytes."""
    destino = destino or pasta
    total = _valor(chave_)
    unitario = "%.4f" % (float(total) / 10)
    texto = NFE.format(chave=chave_, uf=chave_[:2], cnf=chave_[35:43], serie=int(chave_[22:25]),
                       nnf=int(chave_[25:34]), dv=chave_[43], emitente=chave_[6:20], destinatario=destinatario,
                       total=total, unitario=unitario)
    modelo = os.path.join(destino, "modelo-%s.xml" % chave_)
    with open(modelo, "w", encoding="utf-8") as f:
        f.write(texto)
    assinado = os.path.join(destino, "nfe-%s.xml" % chave_)
    executar("xmlsec1", "--sign", "--privkey-pem", "emitente.key,emitente.pem", "--id-attr:Id", "infNFe", "--output",
             assinado, modelo, pasta=pasta)
    os.remove(modelo)
    with open(assinado, "rb") as f:
        dados = f.read()
    digest = re.search(rb"<DigestValue>([^<]+)</DigestValue>", dados).group(1)
    dados = dados.replace(b"<digVal>DIGEST</digVal>", b"<digVal>" + digest + b"</digVal>")
    with open(assinado, "wb") as f:
        f.write(dados)
    alvo = ("<vNF>%s</vNF>" % total).encode()
    centavos = int(total.replace(".", "")) + 100
    adulterado = dados.replace(alvo, ("<vNF>%d.%02d</vNF>" % (centavos // 100, centavos % 100)).encode())
    if adulterado == dados:
        raise RuntimeError("tampering changed nothing")
    with open(os.path.join(destino, "adulterada-%s.xml" % chave_), "wb") as f:
        f.write(adulterado)
    return dados


def verificar_assinatura(arquivo, id_attr="infNFe"):
    """Whether the xmlsec1 command verifies the document's signature with the key of the certificate the
    document carries (real issuers' certificates chain to ICP-Brasil and are long expired: what counts here,
    as in the program, is that the bytes are the ones that certificate's holder signed)."""
    with open(arquivo, "rb") as f:
        achado = re.search(rb"<X509Certificate>([^<]+)</X509Certificate>", f.read())
    if not achado:
        return False
    corpo = re.sub(rb"\s", b"", achado.group(1)).decode()
    with tempfile.NamedTemporaryFile("w", suffix=".pem") as pem:
        pem.write("-----BEGIN CERTIFICATE-----\n%s\n-----END CERTIFICATE-----\n"
                  % "\n".join(corpo[i:i + 64] for i in range(0, len(corpo), 64)))
        pem.flush()
        r = subprocess.run(["xmlsec1", "--verify", "--id-attr:Id", id_attr, "--pubkey-cert-pem", pem.name,
                            "--enabled-key-data", "rsa", arquivo], stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    return r.returncode == 0

if __name__ == "__main__":
    if len(sys.argv) < 2:
        print(__doc__, file=sys.stderr)
        sys.exit(2)
    destino = criar_pki(sys.argv[1])
    for c in sys.argv[2:]:
        assinar_nfe(destino, c)
    print(destino)
