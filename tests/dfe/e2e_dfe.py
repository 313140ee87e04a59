#!/usr/bin/env python3
"""salvexa-dfe used as a person or a calling program uses it: a PKCS#12
certificate and its password in the environment, the stand-in of the national
services on loopback over mutual TLS, a fresh home and state directory per
case, the saved file compared byte for byte with what the stand-in sent.

Run one case: e2e_dfe.py SALVEXA_DFE Programa.test_original_salvo
(Servico.* cases check the stand-in itself and need no program; with an
empty SALVEXA_DFE the Programa.* cases are skipped, status 77.)
"""

import base64
import glob
import gzip
import http.client
import json
import os
import re
import shutil
import ssl
import subprocess
import sys
import tempfile
import unittest

AQUI = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, AQUI)
sys.path.insert(0, os.path.join(os.path.dirname(AQUI), "gui"))
import ambiente  # noqa: E402
import pki  # noqa: E402

PROGRAMA = None
DISTRIBUICAO = "/NFeDistribuicaoDFe/NFeDistribuicaoDFe.asmx"
EVENTO = "/NFeRecepcaoEvento4/NFeRecepcaoEvento4.asmx"
ASSINADAS = os.path.join(AQUI, "dados", "assinadas")
HORA = r"\b\d{2}:\d{2}\b"

# Exit statuses of salvexa-dfe.
SALVO, RESUMO, USO, CERTIFICADO, CHAVE_INVALIDA, SEM_DOCUMENTO = 0, 1, 2, 3, 4, 5
RETIDO, REJEITADO, DOCUMENTO_INVALIDO, COMUNICACAO, GRAVACAO, PENDENTE, EVENTO_REJEITADO = 6, 7, 8, 9, 10, 11, 12


class Resultado:
    def __init__(self, codigo, saida, erros):
        self.codigo = codigo
        self.saida = [l for l in saida.splitlines() if l]
        self.erros = [l for l in erros.splitlines() if l]

    def __repr__(self):
        return "status %s\nstdout: %s\nstderr: %s" % (self.codigo, self.saida, self.erros)


class Area:
    """A temporary home, state and output directory, the test PKI, the fixtures
    and the stand-in serving them."""

    def __init__(self):
        self.pasta = tempfile.mkdtemp(prefix="salvexa-dfe-")
        self.home, self.estado, self.saida, self.fixturas = (os.path.join(self.pasta, n) for n in
                                                             ("home", "estado", "saida", "fixturas"))
        for p in (self.home, self.estado, self.saida, self.fixturas):
            os.makedirs(p)
        self.pki = pki.criar_pki(os.path.join(self.pasta, "pki"))
        self.servico = None
        self.processos = []

    def arquivo(self, nome):
        return os.path.join(self.pki, nome)

    def nfe(self, chave):
        """A document signed by the test issuer for this key (and its tampered copy)."""
        return pki.assinar_nfe(self.pki, chave, destino=self.fixturas)

    def iniciar_servico(self, chaves, *opcoes):
        with open(os.path.join(self.fixturas, "chaves.json"), "w") as f:
            json.dump(chaves, f)
        self.servico = subprocess.Popen([sys.executable, os.path.join(AQUI, "servico.py"), self.pki, self.fixturas,
                                         *opcoes], stdout=subprocess.PIPE, text=True)
        self.processos.append(self.servico)
        self.servico.saida = ambiente.Leitor(self.servico.stdout,
                                             "servico: " if os.environ.get("SALVEXA_E2E_VERBOSE") else None)
        self.porta = int(self.servico.saida.esperar(r"^PORT (\d+)$", 20).group(1))
        return self.porta

    def contexto_cliente(self, certificado="ecnpj"):
        contexto = ssl.create_default_context(cafile=self.arquivo("ca.pem"))
        contexto.load_verify_locations(self.arquivo("outra-ca.pem"))
        if certificado:
            contexto.load_cert_chain(self.arquivo(certificado + ".pem"), self.arquivo(certificado + ".key"))
        return contexto

    def pedir(self, metodo, caminho, corpo=None, cabecalhos=None, certificado="ecnpj"):
        conexao = http.client.HTTPSConnection("127.0.0.1", self.porta, timeout=30,
                                              context=self.contexto_cliente(certificado))
        try:
            conexao.request(metodo, caminho, corpo, cabecalhos or {})
            resposta = conexao.getresponse()
            return resposta.status, resposta.read()
        finally:
            conexao.close()

    def contagem(self):
        status, corpo = self.pedir("GET", "/contagem")
        assert status == 200
        return json.loads(corpo)

    def requisicoes(self, caminho=DISTRIBUICAO):
        return self.contagem()[caminho]

    def ambiente(self, certificado, senha, extra):
        env = {k: v for k, v in os.environ.items()
               if not k.startswith("SALVEXA_") and k.lower() not in ("http_proxy", "https_proxy", "all_proxy")}
        env.update(HOME=self.home, XDG_STATE_HOME=self.estado, SALVEXA_CA=self.arquivo("ca.pem"), LC_ALL="C.UTF-8")
        if self.servico:
            url = "https://127.0.0.1:%d" % self.porta
            env.update(SALVEXA_DFE_URL=url + DISTRIBUICAO, SALVEXA_EVENTO_URL=url + EVENTO)
        if certificado:
            env["SALVEXA_CERT"] = certificado if os.path.isabs(certificado) else self.arquivo(certificado)
        if senha is not None:
            env["SALVEXA_CERT_PASSWORD"] = senha
        for nome, valor in extra.items():
            if valor is None:
                env.pop(nome, None)
            else:
                env[nome] = valor
        return env

    def iniciar(self, *argumentos, certificado="ecnpj.pfx", senha=pki.SENHA, **extra):
        """salvexa-dfe with no terminal (its own session), output to the output directory."""
        processo = subprocess.Popen([PROGRAMA, "-o", self.saida, *argumentos], env=self.ambiente(certificado, senha, extra),
                                    cwd=self.pasta, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                    stderr=subprocess.PIPE, text=True, start_new_session=True)
        self.processos.append(processo)
        return processo

    def rodar(self, *argumentos, **opcoes):
        processo = self.iniciar(*argumentos, **opcoes)
        saida, erros = processo.communicate(timeout=120)
        return Resultado(processo.returncode, saida, erros)

    def encerrar(self):
        for p in reversed(self.processos):
            if p.poll() is None:
                p.kill()
                p.wait()
            if hasattr(p, "saida"):
                p.saida.fio.join(10)
            for fluxo in (p.stdout, p.stderr):
                if fluxo:
                    fluxo.close()
        shutil.rmtree(self.pasta, ignore_errors=True)


class Caso(unittest.TestCase):
    def setUp(self):
        self.area = Area()
        self.addCleanup(self.area.encerrar)

    def assertSalvo(self, resultado, chave, documento):
        caminho = os.path.join(self.area.saida, chave + "-nfe.xml")
        self.assertIn(caminho, resultado.saida, resultado)
        with open(caminho, "rb") as f:
            self.assertEqual(f.read(), documento, "the saved file differs from what the service sent")

    def limpar_saida(self):
        """Between the rows of a table, so that one row's stray file does not fail the next."""
        shutil.rmtree(self.area.saida)
        os.makedirs(self.area.saida)

    def assertNadaGravado(self):
        self.assertEqual(os.listdir(self.area.saida), [])

    def mensagem(self, resultado, chave):
        """The key's one line on standard error, without the program and key."""
        linhas = [l for l in resultado.erros if l.startswith("salvexa-dfe: %s: " % chave)]
        self.assertEqual(len(linhas), 1, resultado)
        texto = linhas[0][len("salvexa-dfe: %s: " % chave):]
        self.assertTrue(texto.strip(), resultado)
        return texto

    def assertFalha(self, resultado, chave, codigo):
        """Status, the one line for the key, nothing on standard output, nothing saved."""
        self.assertEqual(resultado.codigo, codigo, resultado)
        self.assertEqual(resultado.saida, [], resultado)
        self.assertEqual(len(resultado.erros), 1, resultado)
        self.assertNadaGravado()
        return self.mensagem(resultado, chave)


class Programa(Caso):
    def setUp(self):
        if not PROGRAMA:
            raise unittest.SkipTest("salvexa-dfe was not built")
        super().setUp()

    def original(self, chave, **extra):
        return {chave: dict(resposta="original", documento="nfe-%s.xml" % chave, **extra)}

    # ---- the original ----

    def test_original_salvo(self):
        for certificado in ("ecnpj.pfx", "ecnpj-legacy.pfx", "ecpf.pfx"):
            with self.subTest(certificado=certificado):
                area = Area()
                self.addCleanup(area.encerrar)
                self.area = area
                chave = pki.chave(1)
                documento = area.nfe(chave)
                area.iniciar_servico(self.original(chave))
                r = area.rodar(chave, certificado=certificado)
                self.assertEqual(r.codigo, SALVO, r)
                self.assertEqual(r.erros, [])
                self.assertEqual(r.saida, [os.path.join(area.saida, chave + "-nfe.xml")])
                self.assertSalvo(r, chave, documento)
                self.assertEqual(os.listdir(area.saida), [chave + "-nfe.xml"])
                contagem = area.contagem()
                self.assertEqual((contagem[DISTRIBUICAO], contagem[EVENTO], contagem["esquema_invalido"]), (1, 0, 0))

    def test_original_pelo_cert_da_linha_de_comando(self):
        chave = pki.chave(2)
        documento = self.area.nfe(chave)
        self.area.iniciar_servico(self.original(chave))
        r = self.area.rodar("--cert", self.area.arquivo("ecnpj-legacy.pfx"), chave, certificado=None)
        self.assertEqual(r.codigo, SALVO, r)
        self.assertSalvo(r, chave, documento)

    def test_senha_com_acentos(self):
        """The password as typed in UTF-8 opens files made with it, modern and legacy."""
        chave = pki.chave(9)
        documento = self.area.nfe(chave)
        self.area.iniciar_servico(self.original(chave))
        senha = "senha çã €"
        for arquivo, legado in (("acentos.pfx", []), ("acentos-legacy.pfx", ["-legacy"])):
            with self.subTest(arquivo=arquivo):
                self.limpar_saida()
                pki.executar("openssl", "pkcs12", "-export", *legado, "-inkey", "ecnpj.key", "-in", "ecnpj.pem",
                             "-out", arquivo, "-passout", "pass:" + senha, pasta=self.area.pki)
                r = self.area.rodar(chave, certificado=arquivo, senha=senha)
                self.assertEqual(r.codigo, SALVO, r)
                self.assertSalvo(r, chave, documento)

    def test_homologacao(self):
        chave = pki.chave(8)
        documento = self.area.nfe(chave)
        self.area.iniciar_servico(self.original(chave), "--homologacao")
        r = self.area.rodar("--homologacao", chave)
        self.assertEqual(r.codigo, SALVO, r)
        self.assertSalvo(r, chave, documento)

    def test_amostras_reais_assinadas(self):
        """Real NF-e whose issuers' signatures verify, as the service would send them."""
        chaves, documentos = [], {}
        for arquivo in sorted(glob.glob(os.path.join(ASSINADAS, "*.xml"))):
            with open(arquivo, "rb") as f:
                dados = f.read()
            if b"<nfeProc" not in dados[:300] or not pki.verificar_assinatura(arquivo):
                continue
            chave = re.search(rb'Id="NFe(\d{44})"', dados).group(1).decode()
            shutil.copy(arquivo, os.path.join(self.area.fixturas, chave + ".xml"))
            chaves.append(chave)
            documentos[chave] = dados
        self.assertGreaterEqual(len(chaves), 3)
        self.area.iniciar_servico({c: {"resposta": "original", "documento": c + ".xml"} for c in chaves})
        r = self.area.rodar(*chaves)
        self.assertEqual(r.codigo, SALVO, r)
        self.assertEqual(r.saida, [os.path.join(self.area.saida, c + "-nfe.xml") for c in chaves])
        for chave in chaves:
            self.assertSalvo(r, chave, documentos[chave])

    # ---- the summary and the acknowledgement ----

    def test_somente_resumo_sem_ciencia(self):
        chave = pki.chave(3)
        self.area.nfe(chave)
        self.area.iniciar_servico({chave: {"resposta": "resumo", "documento": "nfe-%s.xml" % chave}})
        r = self.area.rodar(chave)
        self.assertFalha(r, chave, RESUMO)
        self.assertIn("--ciencia", r.erros[0])
        contagem = self.area.contagem()
        self.assertEqual((contagem[DISTRIBUICAO], contagem[EVENTO]), (1, 0))

    def test_ciencia_registrada_e_original(self):
        for evento, certificado in ((135, "ecnpj.pfx"), (573, "ecnpj.pfx"), (135, "ecpf.pfx")):
            with self.subTest(evento=evento, certificado=certificado):
                area = self.area = Area()
                self.addCleanup(area.encerrar)
                chave = pki.chave(4)
                documento = area.nfe(chave)
                area.iniciar_servico({chave: {"resposta": "resumo", "documento": "nfe-%s.xml" % chave,
                                              "evento": evento}})
                r = area.rodar("--ciencia", chave, certificado=certificado)
                self.assertEqual(r.codigo, SALVO, r)
                self.assertSalvo(r, chave, documento)
                contagem = area.contagem()
                self.assertEqual((contagem[DISTRIBUICAO], contagem[EVENTO], contagem["esquema_invalido"]), (2, 1, 0))
                self.assertEqual(contagem["eventos"], {chave: 1})
                self.assertTrue(any(re.match(r"POST %s %s %d$" % (EVENTO, chave, evento), l)
                                    for l in area.servico.saida.linhas), "the event was not accepted as valid")

    def test_ciencia_rejeitada(self):
        chave = pki.chave(5)
        self.area.nfe(chave)
        self.area.iniciar_servico({chave: {"resposta": "resumo", "documento": "nfe-%s.xml" % chave, "evento": 650}})
        r = self.area.rodar("--ciencia", chave)
        self.assertIn("650", self.assertFalha(r, chave, EVENTO_REJEITADO))
        contagem = self.area.contagem()
        self.assertEqual((contagem[DISTRIBUICAO], contagem[EVENTO]), (1, 1))

    def test_ciencia_pendente_e_segunda_execucao_sem_novo_evento(self):
        chave = pki.chave(6)
        self.area.nfe(chave)
        self.area.iniciar_servico({chave: {"resposta": "resumo", "documento": "nfe-%s.xml" % chave,
                                           "depois": "resumo"}})
        r = self.area.rodar("--ciencia", chave)
        self.assertRegex(self.assertFalha(r, chave, PENDENTE), HORA)
        self.assertEqual(self.area.contagem()["eventos"], {chave: 1})
        r = self.area.rodar("--ciencia", chave)
        self.assertRegex(self.assertFalha(r, chave, PENDENTE), HORA)
        contagem = self.area.contagem()
        self.assertEqual(contagem["eventos"], {chave: 1}, "the acknowledgement was sent twice")
        self.assertLessEqual(contagem[DISTRIBUICAO], 3)

    # ---- the service's answers ----

    def test_respostas_sem_documento_e_rejeicoes(self):
        casos = [("137", SEM_DOCUMENTO), ("632", SEM_DOCUMENTO), ("640", SEM_DOCUMENTO), ("641", SEM_DOCUMENTO),
                 ("653", SEM_DOCUMENTO), ("593", SEM_DOCUMENTO), ("999", REJEITADO), ("108", REJEITADO)]
        chaves = {pki.chave(10 + n): {"resposta": resposta} for n, (resposta, _) in enumerate(casos)}
        self.area.iniciar_servico(chaves)
        mensagens = {}
        for chave, (resposta, codigo) in zip(chaves, casos):
            with self.subTest(resposta=resposta):
                self.limpar_saida()
                r = self.area.rodar(chave)
                mensagens[resposta] = self.assertFalha(r, chave, codigo)
                if codigo == REJEITADO:
                    self.assertIn(resposta, mensagens[resposta])
        distintas = [mensagens.get(c) for c in ("137", "632", "640", "593")]
        self.assertEqual(len(set(distintas)), len(distintas), mensagens)
        self.assertEqual(self.area.requisicoes(), len(casos))

    def test_consumo_indevido_e_segunda_execucao_sem_requisicao(self):
        chave, outra = pki.chave(20), pki.chave(21)
        self.area.iniciar_servico({chave: {"resposta": "656", "soap11": True}})
        r = self.area.rodar(chave)
        self.assertFalha(r, chave, RETIDO)
        self.assertEqual(self.area.requisicoes(), 1)
        r = self.area.rodar(outra)
        self.assertRegex(self.assertFalha(r, outra, RETIDO), HORA)
        self.assertEqual(self.area.requisicoes(), 1, "a query was sent during the block")

    def test_guarda_vinte_consultas_e_a_vigesima_primeira_retida(self):
        chaves = [pki.chave(100 + n) for n in range(21)]
        self.area.iniciar_servico({})
        r = self.area.rodar(*chaves)
        self.assertEqual(r.codigo, RETIDO, r)
        self.assertEqual([l.split(": ")[1] for l in r.erros], chaves, "one line per key, in order")
        nada = {self.mensagem(r, c) for c in chaves[:20]}
        self.assertEqual(len(nada), 1, r)
        retida = self.mensagem(r, chaves[20])
        self.assertNotIn(retida, nada)
        self.assertRegex(retida, HORA)
        self.assertEqual(self.area.requisicoes(), 20)
        self.assertNadaGravado()

    def test_duas_execucoes_ao_mesmo_tempo_dividem_a_guarda(self):
        chaves = [pki.chave(200 + n) for n in range(30)]
        self.area.iniciar_servico({c: {"resposta": "137", "atraso": 0.05} for c in chaves})
        processos = [self.area.iniciar(*chaves[:15]), self.area.iniciar(*chaves[15:])]
        saidas = [p.communicate(timeout=120) for p in processos]
        resultados = [Resultado(p.returncode, *s) for p, s in zip(processos, saidas)]
        for r in resultados:
            self.assertEqual(r.codigo, RETIDO, r)
            self.assertEqual(len(r.erros), 15, r)
        self.assertEqual(self.area.requisicoes(), 20, resultados)
        pedidas = [l.split()[2] for l in self.area.servico.saida.linhas if l.startswith("POST ")]
        self.assertEqual(len(set(pedidas)), 20)

    # ---- the certificate, the key, the connection ----

    def test_certificados_recusados_antes_de_qualquer_requisicao(self):
        with open(os.path.join(self.area.pasta, "texto.pfx"), "w") as f:
            f.write("isto nao e um certificado\n")
        casos = [("vencido.pfx", pki.SENHA), ("ecnpj.pfx", "senha errada"), ("ecnpj-legacy.pfx", "senha errada"),
                 (os.path.join(self.area.pasta, "texto.pfx"), pki.SENHA),
                 (os.path.join(self.area.pasta, "nao-existe.pfx"), pki.SENHA)]
        chave = pki.chave(30)
        self.area.nfe(chave)
        self.area.iniciar_servico(self.original(chave))
        for certificado, senha in casos:
            with self.subTest(certificado=os.path.basename(certificado), senha=senha):
                self.limpar_saida()
                self.assertFalha(self.area.rodar(chave, certificado=certificado, senha=senha), chave, CERTIFICADO)
        contagem = self.area.contagem()
        self.assertEqual((contagem[DISTRIBUICAO], contagem["tls_recusadas"]), (0, 0))

    def test_uso_sem_certificado_ou_sem_senha(self):
        chave = pki.chave(31)
        self.area.iniciar_servico({})
        for certificado, senha in ((None, pki.SENHA), ("ecnpj.pfx", None)):
            with self.subTest(certificado=certificado, senha=senha):
                r = self.area.rodar(chave, certificado=certificado, senha=senha)
                self.assertEqual(r.codigo, USO, r)
                self.assertEqual(r.saida, [])
                self.assertNadaGravado()
        self.assertEqual(self.area.requisicoes(), 0)

    def test_chave_invalida_sem_requisicao(self):
        self.area.iniciar_servico({})
        for chave in (pki.chave_com_digito_errado(32), pki.chave(32)[:43], pki.chave(32)[:43] + "X"):
            with self.subTest(chave=chave):
                self.limpar_saida()
                self.assertFalha(self.area.rodar(chave), chave, CHAVE_INVALIDA)
        self.assertEqual(self.area.requisicoes(), 0)

    def test_servidor_nao_confiavel(self):
        chave = pki.chave(33)
        self.area.nfe(chave)
        self.area.iniciar_servico(self.original(chave), "--servidor", "servidor-outra")
        self.assertFalha(self.area.rodar(chave), chave, COMUNICACAO)
        contagem = self.area.contagem()
        self.assertEqual(contagem[DISTRIBUICAO], 0)
        self.assertGreaterEqual(contagem["tls_recusadas"], 1, "no connection was tried")

    def test_cliente_de_outra_autoridade_recusado_pelo_servico(self):
        chave = pki.chave(34)
        self.area.nfe(chave)
        self.area.iniciar_servico(self.original(chave))
        self.assertFalha(self.area.rodar(chave, certificado="outra-ca-cliente.pfx"), chave, COMUNICACAO)
        contagem = self.area.contagem()
        self.assertEqual((contagem[DISTRIBUICAO], contagem["tls_recusadas"]), (0, 1))

    # ---- documents that must not be saved ----

    def test_documentos_recusados_e_nao_gravados(self):
        casos = [("adulterado", DOCUMENTO_INVALIDO), ("outra-chave", DOCUMENTO_INVALIDO),
                 ("zip-corrompido", DOCUMENTO_INVALIDO), ("zip-grande", DOCUMENTO_INVALIDO),
                 ("nao-xml", COMUNICACAO), ("falha-soap", COMUNICACAO), ("resposta-enorme", COMUNICACAO)]
        chaves = {}
        for n, (caso, _) in enumerate(casos):
            chave = pki.chave(40 + n)
            self.area.nfe(chave)
            if caso == "adulterado":
                chaves[chave] = {"resposta": "original", "documento": "adulterada-%s.xml" % chave}
            elif caso == "outra-chave":  # a genuine signed document, of another key
                outra = pki.chave(60)
                self.area.nfe(outra)
                chaves[chave] = {"resposta": "original", "documento": "nfe-%s.xml" % outra}
            else:
                chaves[chave] = {"resposta": caso, "documento": "nfe-%s.xml" % chave}
        self.area.iniciar_servico(chaves)
        for chave, (caso, codigo) in zip(chaves, casos):
            with self.subTest(caso=caso):
                self.limpar_saida()
                self.assertFalha(self.area.rodar(chave), chave, codigo)
        self.assertEqual(self.area.requisicoes(), len(casos))

    def test_gravacao_impossivel(self):
        chave = pki.chave(50)
        self.area.nfe(chave)
        self.area.iniciar_servico(self.original(chave))
        os.mkdir(os.path.join(self.area.saida, chave + "-nfe.xml"))
        r = self.area.rodar(chave)
        self.assertEqual(r.codigo, GRAVACAO, r)
        self.assertEqual(r.saida, [])
        self.mensagem(r, chave)
        self.assertEqual(os.listdir(self.area.saida), [chave + "-nfe.xml"])
        self.assertEqual(os.listdir(os.path.join(self.area.saida, chave + "-nfe.xml")), [])

    def test_varias_chaves_em_ordem_e_o_maior_status(self):
        original, nada, errada, adulterada, outra = (pki.chave(70), pki.chave(71), pki.chave_com_digito_errado(72),
                                                     pki.chave(73), pki.chave(74))
        documentos = {c: self.area.nfe(c) for c in (original, adulterada, outra)}
        chaves = self.original(original)
        chaves.update(self.original(outra))
        chaves[adulterada] = {"resposta": "original", "documento": "adulterada-%s.xml" % adulterada}
        self.area.iniciar_servico(chaves)
        r = self.area.rodar(original, nada, errada, adulterada, outra)
        self.assertEqual(r.codigo, DOCUMENTO_INVALIDO, r)
        self.assertEqual(r.saida, [os.path.join(self.area.saida, c + "-nfe.xml") for c in (original, outra)])
        self.assertEqual([l.split(": ")[1] for l in r.erros], [nada, errada, adulterada])
        self.assertSalvo(r, original, documentos[original])
        self.assertSalvo(r, outra, documentos[outra])
        self.assertEqual(sorted(os.listdir(self.area.saida)), sorted([original + "-nfe.xml", outra + "-nfe.xml"]))
        self.assertEqual(self.area.requisicoes(), 4)


class Servico(Caso):
    """The stand-in itself, as the client's tests rely on it."""

    def pedido(self, chave, documento="<CNPJ>%s</CNPJ>" % pki.CNPJ, tp_amb=1):
        return ('<?xml version="1.0" encoding="UTF-8"?><soap12:Envelope xmlns:soap12="http://www.w3.org/2003/05/'
                'soap-envelope"><soap12:Body><nfeDistDFeInteresse xmlns="http://www.portalfiscal.inf.br/nfe/wsdl/'
                'NFeDistribuicaoDFe"><nfeDadosMsg><distDFeInt xmlns="http://www.portalfiscal.inf.br/nfe" '
                'versao="1.01"><tpAmb>%d</tpAmb>%s<consChNFe><chNFe>%s</chNFe></consChNFe></distDFeInt>'
                '</nfeDadosMsg></nfeDistDFeInteresse></soap12:Body></soap12:Envelope>'
                % (tp_amb, documento, chave)).encode()

    def consultar(self, corpo, certificado="ecnpj"):
        cabecalhos = {"Content-Type": 'application/soap+xml; charset=utf-8; action="http://www.portalfiscal.inf.br/'
                                      'nfe/wsdl/NFeDistribuicaoDFe/nfeDistDFeInteresse"'}
        status, resposta = self.area.pedir("POST", DISTRIBUICAO, corpo, cabecalhos, certificado)
        self.assertEqual(status, 200)
        cstat = int(re.search(rb"<cStat>(\d+)</cStat>", resposta).group(1))
        docs = [(m.group(1).decode(), gzip.decompress(base64.b64decode(m.group(2))))
                for m in re.finditer(rb'<docZip[^>]*schema="([^"]+)"[^>]*>([^<]+)</docZip>', resposta)]
        return cstat, docs

    def evento(self, chave, cnpj=pki.CNPJ, assinante="ecnpj", alterar=None):
        id_ = "ID210210%s01" % chave
        modelo = ('<envEvento xmlns="http://www.portalfiscal.inf.br/nfe" versao="1.00"><idLote>1</idLote>'
                  '<evento versao="1.00"><infEvento Id="%s"><cOrgao>91</cOrgao><tpAmb>1</tpAmb><CNPJ>%s</CNPJ>'
                  '<chNFe>%s</chNFe><dhEvento>2026-11-04T09:00:00-03:00</dhEvento><tpEvento>210210</tpEvento>'
                  '<nSeqEvento>1</nSeqEvento><verEvento>1.00</verEvento><detEvento versao="1.00"><descEvento>'
                  'Ciencia da Operacao</descEvento></detEvento></infEvento><Signature xmlns="http://www.w3.org/2000/'
                  '09/xmldsig#"><SignedInfo><CanonicalizationMethod Algorithm="http://www.w3.org/TR/2001/REC-xml-c14n-'
                  '20010315"/><SignatureMethod Algorithm="http://www.w3.org/2000/09/xmldsig#rsa-sha1"/><Reference URI='
                  '"#%s"><Transforms><Transform Algorithm="http://www.w3.org/2000/09/xmldsig#enveloped-signature"/>'
                  '<Transform Algorithm="http://www.w3.org/TR/2001/REC-xml-c14n-20010315"/></Transforms><DigestMethod '
                  'Algorithm="http://www.w3.org/2000/09/xmldsig#sha1"/><DigestValue/></Reference></SignedInfo>'
                  '<SignatureValue/><KeyInfo><X509Data><X509Certificate/></X509Data></KeyInfo></Signature></evento>'
                  '</envEvento>' % (id_, cnpj, chave, id_))
        arquivo = os.path.join(self.area.pasta, "evento.xml")
        with open(arquivo, "w") as f:
            f.write(modelo)
        assinado = pki.executar("xmlsec1", "--sign", "--privkey-pem", "%s.key,%s.pem" % (assinante, assinante),
                                "--id-attr:Id", "infEvento", arquivo, pasta=self.area.pki)
        assinado = assinado.split(b"?>", 1)[1].strip()
        if alterar:
            assinado = assinado.replace(*alterar)
        corpo = (b'<?xml version="1.0" encoding="utf-8"?><soap12:Envelope xmlns:soap12="http://www.w3.org/2003/05/'
                 b'soap-envelope"><soap12:Body><nfeDadosMsg xmlns="http://www.portalfiscal.inf.br/nfe/wsdl/'
                 b'NFeRecepcaoEvento4">' + assinado + b'</nfeDadosMsg></soap12:Body></soap12:Envelope>')
        cabecalhos = {"Content-Type": 'application/soap+xml; charset=utf-8; action="http://www.portalfiscal.inf.br/'
                                      'nfe/wsdl/NFeRecepcaoEvento4/nfeRecepcaoEventoNF"'}
        status, resposta = self.area.pedir("POST", EVENTO, corpo, cabecalhos)
        self.assertEqual(status, 200)
        self.assertIn(b"<nfeRecepcaoEventoNFResult", resposta)
        return [int(c) for c in re.findall(rb"<cStat>(\d+)</cStat>", resposta)]

    def test_cliente_sem_certificado_ou_de_outra_autoridade_recusado(self):
        self.area.iniciar_servico({})
        for certificado in (None, "outra-ca-cliente"):
            with self.subTest(certificado=certificado):
                with self.assertRaises((ssl.SSLError, ConnectionError)):
                    self.area.pedir("GET", "/contagem", certificado=certificado)
        contagem = self.area.contagem()
        self.assertEqual(contagem["tls_recusadas"], 2)
        self.assertEqual(contagem[DISTRIBUICAO], 0)

    def test_consulta_validada_pelo_esquema_e_respondida_por_chave(self):
        original, resumo, vazia = pki.chave(1), pki.chave(2), pki.chave(3)
        documento = self.area.nfe(original)
        self.area.iniciar_servico({original: {"resposta": "original", "documento": "nfe-%s.xml" % original},
                                   resumo: {"resposta": "resumo"}})
        cstat, docs = self.consultar(self.pedido(original))
        self.assertEqual((cstat, docs), (138, [("procNFe_v4.00.xsd", documento)]))
        cstat, docs = self.consultar(self.pedido(resumo))
        self.assertEqual((cstat, [d[0] for d in docs]), (138, ["resNFe_v1.01.xsd"]))
        self.assertIn(("<chNFe>%s</chNFe>" % resumo).encode(), docs[0][1])
        self.assertEqual(self.consultar(self.pedido(vazia))[0], 137)
        self.assertEqual(self.consultar(self.pedido(original, documento=""))[0], 215)
        self.assertEqual(self.consultar(self.pedido(original[:43]))[0], 215)
        self.assertEqual(self.consultar(self.pedido(original, documento="<CNPJ>%s</CNPJ>" % pki.CPF),
                                        certificado="ecpf")[0], 215)
        self.assertEqual(self.consultar(self.pedido(original, tp_amb=2))[0], 252)
        # The CNPJ of the common name is not the certificate's.
        self.assertEqual(self.consultar(self.pedido(original, documento="<CNPJ>%s</CNPJ>" % pki.CNPJ_NO_CN))[0], 593)
        self.assertEqual(self.consultar(self.pedido(original, documento="<CPF>%s</CPF>" % pki.CPF))[0], 593)
        cpf = "<CPF>%s</CPF>" % pki.CPF
        self.assertEqual(self.consultar(self.pedido(original, documento=cpf), certificado="ecpf")[0], 138)
        contagem = self.area.contagem()
        self.assertEqual((contagem[DISTRIBUICAO], contagem["esquema_invalido"]), (10, 3))
        self.assertEqual(len([l for l in self.area.servico.saida.linhas if l.startswith("ESQUEMA ")]), 3)

    def test_limite_de_consultas_do_servico(self):
        self.area.iniciar_servico({}, "--limite", "3")
        self.assertEqual([self.consultar(self.pedido(pki.chave(n)))[0] for n in range(5)], [137, 137, 137, 656, 656])

    def test_evento_assinado_libera_o_original(self):
        chave = pki.chave(7)
        documento = self.area.nfe(chave)
        self.area.iniciar_servico({chave: {"resposta": "resumo", "documento": "nfe-%s.xml" % chave}})
        self.assertEqual(self.consultar(self.pedido(chave))[1][0][0], "resNFe_v1.01.xsd")
        self.assertEqual(self.evento(chave, alterar=(b"<tpAmb>1</tpAmb>", b"<tpAmb>1</tpAmb> ")), [128, 297])
        self.assertEqual(self.consultar(self.pedido(chave))[1][0][0], "resNFe_v1.01.xsd")
        self.assertEqual(self.evento(chave, assinante="emitente"), [128, 213])
        self.assertEqual(self.evento(chave, alterar=(b"<verEvento>1.00", b"<verEvento>2.00")), [215])
        self.assertEqual(self.evento(chave), [128, 135])
        self.assertEqual(self.consultar(self.pedido(chave)), (138, [("procNFe_v4.00.xsd", documento)]))
        self.assertEqual(self.area.contagem()["eventos"], {chave: 3})


if __name__ == "__main__":
    PROGRAMA = sys.argv.pop(1)
    if PROGRAMA:
        PROGRAMA = os.path.abspath(PROGRAMA)
    caso = sys.argv[1] if len(sys.argv) > 1 else ""
    if caso.startswith("Programa") and not PROGRAMA:
        print("salvexa-dfe was not built: skipped", file=sys.stderr)
        sys.exit(77)
    unittest.main()
