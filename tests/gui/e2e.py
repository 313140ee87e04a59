#!/usr/bin/env python3
"""salvexa-nfe used as a person uses it: a real window on an X display, the
embedded browser talking to the test portal over http and TLS, the captcha
read off the portal and typed on the keyboard, the clipboard read after the
program has ended.

Run one case: e2e.py BUILD_DIR Consulta.test_caminho_feliz
"""

import json
import os
import re
import resource
import select
import signal
import socket
import stat
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "dfe"))
import ambiente  # noqa: E402
import pki  # noqa: E402

BUILD = None
EXEMPLOS = os.path.join(ambiente.RAIZ, "examples")
EXEMPLO = os.path.join(EXEMPLOS, "consulta-completa.html")
CHAVE = "35110461482735000193550010000045671012345678"
# A valid access key the portal does not know.
CHAVE_INEXISTENTE = "35110461482735000193550010000045681012345675"
# 44 digits that fail the check digit.
CHAVE_ERRADA = "35110461482735000193550010000045671012345679"
# A key the stand-in of the national services answers for.
CHAVE_DFE = pki.chave(1)
DISTRIBUICAO = "/NFeDistribuicaoDFe/NFeDistribuicaoDFe.asmx"
EVENTO = "/NFeRecepcaoEvento4/NFeRecepcaoEvento4.asmx"

# The lines salvexa-nfe writes on standard error, as the README lists them.
MENSAGENS = re.compile("salvexa-nfe: (" + "|".join([
    r"captcha shown; type it and press Alt\+O",
    r"the consultation page has no captcha image: answer the portal's page in the window",
    r"message: .+",
    r"page load failed: \S+: .+",
    r"unexpected page \S+",
    r"captcha download failed: \S+: .+",
    r"cannot save the captcha: .+",
    r"cannot save the XML file: .+",
    r"\d+ alert\(s\) while writing the XML",
    r"alert: .+",
    r"the portal's form has no element named .+",
    r"the access key must have 44 characters; nothing to consult",
    r"certificate password asked",
    r"no certificate password given; nothing consulted",
    r"querying the distribution service with the certificate",
    r"question: .+",
    r"outcome: [A-Za-z]+",
    r"ended by a signal",
    r"SALVEXA_[A-Z_]+: .+",
    r"cannot keep the end marker on the clipboard after the end",
    r"the clipboard helper did not take the clipboard",
    r"qt: .+",
]) + ")")


class RotaDoCertificado:
    """The certificate route (SALVEXA_CERT): the same window against the stand-in of the national services,
    no portal. Mixed into Consulta, whose cases CTest runs one by one."""

    def servico(self, **fixa):
        """The test PKI, an NF-e signed by its issuer and the stand-in of the national services."""
        self.pki = pki.criar_pki(os.path.join(self.area.pasta, "pki"))
        fixturas = os.path.join(self.area.pasta, "fixturas")
        os.makedirs(fixturas)
        self.original = pki.assinar_nfe(self.pki, CHAVE_DFE, destino=fixturas)
        with open(os.path.join(fixturas, "chaves.json"), "w") as f:
            json.dump({CHAVE_DFE: dict(fixa, documento="nfe-%s.xml" % CHAVE_DFE)}, f)
        self.servico_ = subprocess.Popen([sys.executable, os.path.join(ambiente.RAIZ, "tests", "dfe", "servico.py"),
                                          self.pki, fixturas], stdout=subprocess.PIPE, text=True)
        self.area.processos.append(self.servico_)
        self.servico_.saida = ambiente.Leitor(self.servico_.stdout, "servico: " if self.area.verboso else None)
        return int(self.servico_.saida.esperar(r"^PORT (\d+)$", 20).group(1))

    def programa_com_certificado(self, porta, senha=pki.SENHA, programa=None, **extra):
        """salvexa-nfe (or `programa`, which runs it) with SALVEXA_CERT; senha None: typed in the dialog."""
        url = "https://127.0.0.1:%d" % porta
        variaveis = dict(SALVEXA_CERT=os.path.join(self.pki, "ecnpj.pfx"), SALVEXA_CERT_PASSWORD=senha,
                         SALVEXA_DFE_URL=url + DISTRIBUICAO, SALVEXA_EVENTO_URL=url + EVENTO,
                         SALVEXA_CA=os.path.join(self.pki, "ca.pem"),
                         XDG_STATE_HOME=os.path.join(self.area.pasta, "estado"))
        variaveis.update(extra)
        self.prog = self.area.iniciar_programa(programa or os.path.join(BUILD, "salvexa-nfe"), CHAVE_DFE, **variaveis)
        return self.prog

    def digitar_senha(self, senha):
        self.prog.erros.esperar(r"certificate password asked", 60)
        self.area.digitar(senha)
        self.area.tecla("Return")

    def pedidos(self, caminho):
        return [l for l in self.servico_.saida.linhas if l.startswith("POST " + caminho)]

    def sem_captcha_nem_portal(self):
        self.assertFalse(self.disse(r"captcha"))
        self.assertFalse(os.path.exists(os.path.join(self.area.saida, "captcha.gif")))

    def test_certificado_caminho_feliz(self):
        porta = self.servico(resposta="original")
        # The portal is never asked on this route, so its settings cannot stop it.
        self.programa_com_certificado(porta, SALVEXA_PORTAL_HOST="not a host")
        self.prog.erros.esperar(r"querying the distribution service", 60)
        self.terminar()
        self.assertEqual(self.xml_salvo(CHAVE_DFE), self.original)
        self.sem_captcha_nem_portal()
        self.assertEqual(len(self.pedidos(DISTRIBUICAO)), 1)
        self.assertEqual(self.pedidos(EVENTO), [])
        self.assertTrue(self.disse(r"^salvexa-nfe: outcome: Salvo$"))

    def test_certificado_resumo_ciencia_e_original(self):
        porta = self.servico(resposta="resumo")
        self.programa_com_certificado(porta, senha=None)
        self.area.captura_de_tela(os.path.join(self.area.pasta, "senha.png"))
        self.digitar_senha(pki.SENHA)
        self.prog.erros.esperar(r"question: .*Ciência da Operação .*ato fiscal", 60)
        self.area.captura_de_tela(os.path.join(self.area.pasta, "ciencia.png"))
        self.assertEqual(self.pedidos(EVENTO), [])  # nothing sent before the answer
        self.area.tecla("alt+s")
        self.terminar()
        self.assertEqual(self.xml_salvo(CHAVE_DFE), self.original)
        self.assertEqual(len(self.pedidos(EVENTO)), 1)
        self.assertEqual(len(self.pedidos(DISTRIBUICAO)), 2)
        self.sem_captcha_nem_portal()

    def test_certificado_ciencia_recusada(self):
        porta = self.servico(resposta="resumo")
        self.programa_com_certificado(porta)
        self.prog.erros.esperar(r"question: .*Ciência da Operação", 60)
        self.area.tecla("Return")  # the default answer is no
        self.fechar_mensagem(r"O serviço entregou só o resumo da NF-e e a ciência da operação não foi autorizada: "
                             r"nenhum evento foi enviado e nenhum arquivo foi gravado\.$")
        self.terminar()
        self.assertEqual(self.pedidos(EVENTO), [])
        self.assertEqual(len(self.pedidos(DISTRIBUICAO)), 1)
        self.assertEqual(os.listdir(self.area.saida), [])
        self.assertEqual([l for l in self.prog.saida.linhas if l], [])

    def test_certificado_programa_chamador_de_exemplo(self):
        # The calling program's example serves this route unchanged.
        porta = self.servico(resposta="original")
        self.programa_com_certificado(porta, programa=os.path.join(EXEMPLOS, "chamar-salvexa.sh"),
                                      PATH=os.pathsep.join([BUILD, os.environ.get("PATH", "")]))
        self.terminar()
        self.assertEqual(self.xml_salvo(CHAVE_DFE), self.original)

    def test_certificado_sinal_durante_a_consulta(self):
        # The service is slow: the window still ends at once, marker included,
        # and the answer that comes later saves nothing.
        porta = self.servico(resposta="original", atraso=5)
        self.programa_com_certificado(porta)
        self.servico_.saida.esperar(r"^POST " + DISTRIBUICAO, 60)
        self.assertEqual(filhos(self.prog.pid), [])  # no browser's processes in this route
        self.prog.send_signal(signal.SIGTERM)
        self.terminar()
        self.assertTrue(self.disse(r"^salvexa-nfe: ended by a signal$"))
        self.assertEqual(os.listdir(self.area.saida), [])
        self.assertEqual([l for l in self.prog.saida.linhas if l], [])

    def test_certificado_senha_errada(self):
        porta = self.servico(resposta="original")
        self.programa_com_certificado(porta, senha=None)
        self.digitar_senha("senha errada")
        self.fechar_mensagem(r"Senha incorreta para o certificado .*ecnpj\.pfx\.$")
        self.terminar()
        self.assertEqual(self.pedidos(DISTRIBUICAO), [])
        self.assertEqual(os.listdir(self.area.saida), [])
        self.assertEqual([l for l in self.prog.saida.linhas if l], [])


class Consulta(RotaDoCertificado, unittest.TestCase):
    modo = "normal"

    def setUp(self):
        self.area = ambiente.Area(verboso=bool(os.environ.get("SALVEXA_E2E_VERBOSE")))
        self.addCleanup(self.area.encerrar)
        self.area.iniciar_xvfb()

    def portal(self, modo="normal", captcha=None):
        self.area.iniciar_portal([EXEMPLO], modo, captcha)

    def programa(self, *argumentos, **extra):
        self.prog = self.area.iniciar_programa(os.path.join(BUILD, "salvexa-nfe"), *argumentos, **extra)
        return self.prog

    def esperar_captcha(self):
        """The captcha the window shows, as the portal made it."""
        self.prog.erros.esperar(r"captcha shown", 60)
        return [l for l in self.area.portal_saida.linhas if l.startswith("CAPTCHA ")][-1].split()[1]

    def esperar_mensagem(self, texto):
        self.prog.erros.esperar(r"message: " + texto, 60)

    def fechar_mensagem(self, texto):
        self.esperar_mensagem(texto)
        janela = self.area.janela_principal(self.prog.pid)
        self.area.tecla("Return")
        # The keys that follow are for the window: not before it has the keyboard back.
        self.area.esperar_foco(janela, self.prog)

    def terminar(self, codigo=0):
        self.assertEqual(self.prog.wait(60), codigo)
        # A caller reading the output sees its end with the program's: nothing
        # the program started (the browser's processes, the clipboard keeper) holds the pipes.
        self.assertTrue(self.prog.saida.terminou(10), "standard output still open after the end")
        self.assertTrue(self.prog.erros.terminou(10), "standard error still open after the end")
        self.assertEqual(self.area.area_de_transferencia(), ambiente.MARCADOR)
        for linha in self.prog.erros.linhas:
            self.assertTrue(MENSAGENS.fullmatch(linha), "not one of the documented lines: %r" % linha)
            self.assertFalse(re.search(r"[\x00-\x1f\x7f-\x9f]", linha), linha)

    def disse(self, padrao):
        """Whether a line of standard error so far matches the pattern."""
        return any(re.search(padrao, l) for l in self.prog.erros.linhas)

    def xml_salvo(self, chave=CHAVE):
        caminho = os.path.join(self.area.saida, chave + "-nfe.xml")
        self.assertEqual([l for l in self.prog.saida.linhas if l], [caminho])
        with open(caminho, "rb") as f:
            return f.read()

    def xml_do_conversor(self):
        """What salvexa-convert writes for the same page."""
        subprocess.run([os.path.join(BUILD, "salvexa-convert"), "-o", self.area.pasta, EXEMPLO], check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        with open(os.path.join(self.area.pasta, CHAVE + "-nfe.xml"), "rb") as f:
            return f.read()

    def consultar(self, captcha):
        self.area.digitar(captcha)
        self.area.tecla("alt+o")

    # ---- the cases ----

    def test_caminho_feliz(self):
        self.portal()
        self.programa(CHAVE)
        self.consultar(self.esperar_captcha())
        self.terminar()
        paginas = " ".join(self.area.portal_saida.linhas)
        for caminho in ("visualizacaoNFe/completa/Default.aspx", "/PORTAL/visualizacaoNFe/completa/impressao.aspx",
                        "/portal/consultaCompleta.aspx"):
            self.assertIn(caminho, paginas)
        self.assertEqual(self.xml_salvo(), self.xml_do_conversor())
        self.assertTrue(os.path.getsize(os.path.join(self.area.saida, "captcha.gif")) > 0)
        # The marker stays until another program takes the clipboard; then its keeper goes.
        servidores = self.area.servidores_da_area()
        self.assertEqual(len(servidores), 1)
        self.area.pegar_area_de_transferencia("outro programa")
        for pid in servidores:
            self.esperar_fim(pid)
        self.assertEqual(self.area.area_de_transferencia(), "outro programa")

    def esperar_fim(self, pid):
        # The keeper is not our child: follow it through a pidfd.
        fd = os.pidfd_open(pid)
        try:
            self.assertTrue(select.select([fd], [], [], 20)[0], "the clipboard keeper did not end")
        finally:
            os.close(fd)

    def test_captcha_errado_e_nova_imagem(self):
        self.portal()
        self.programa(CHAVE)
        certo = self.esperar_captcha()
        self.consultar("XXXX" if certo != "XXXX" else "AAAA")
        self.area.portal_saida.esperar(r"^REJECTED", 30)
        self.esperar_captcha()  # the portal's post-back shows a new captcha; OK stays off
        self.area.clicar(self.area.janela_principal(self.prog.pid), 353 + 1 + 145, -3 + 130 + 12)  # "Clique aqui ..."
        self.consultar(self.esperar_captcha())
        self.terminar()
        self.assertEqual(self.xml_salvo(), self.xml_do_conversor())

    def test_nfe_inexistente(self):
        self.portal()
        self.programa(CHAVE_INEXISTENTE)
        self.consultar(self.esperar_captcha())
        self.fechar_mensagem("NF-e INEXISTENTE na base nacional, favor consultar esta NF-e no site da SEFAZ de origem.")
        self.terminar()
        self.assertFalse(os.path.exists(os.path.join(self.area.saida, CHAVE_INEXISTENTE + "-nfe.xml")))

    def test_pagina_inesperada_e_nova_consulta(self):
        self.portal("inesperada")
        self.programa(CHAVE)
        self.consultar(self.esperar_captcha())
        self.fechar_mensagem("Erro carregando NF-e. Verifique se foram digitados todos os dados corretamente.")
        self.consultar(self.esperar_captcha())
        self.terminar()
        self.assertEqual(self.xml_salvo(), self.xml_do_conversor())

    def test_chave_de_outro_tamanho_termina_de_imediato(self):
        self.portal()
        self.programa(CHAVE[:43])
        self.terminar()
        self.assertFalse([l for l in self.area.portal_saida.linhas if l.startswith("PAGE")])

    def test_chave_da_area_de_transferencia(self):
        self.portal()
        self.area.pegar_area_de_transferencia(CHAVE)
        self.programa()
        self.consultar(self.esperar_captcha())
        self.terminar()
        self.xml_salvo()

    def test_esc_fecha(self):
        self.portal()
        self.programa(CHAVE)
        self.esperar_captcha()
        self.area.tecla("Escape")
        self.terminar()
        self.assertEqual(os.listdir(self.area.saida), ["captcha.gif"])

    def test_captcha_curto(self):
        self.portal()
        self.programa(CHAVE)
        captcha = self.esperar_captcha()
        self.consultar(captcha[:3])
        self.fechar_mensagem("Digite o valor da imagem.")
        self.consultar(captcha[3])  # the captcha field has the focus again
        self.terminar()
        self.xml_salvo()

    def test_chave_invalida(self):
        self.portal()
        self.programa(CHAVE_ERRADA)
        self.consultar(self.esperar_captcha())
        self.fechar_mensagem("Chave Inválida.")
        self.area.tecla("Escape")
        self.terminar()
        self.assertFalse([l for l in self.area.portal_saida.linhas if l.startswith("PAGE POST")])

    def test_tempo_esgotado(self):
        self.portal()
        self.programa(CHAVE)
        self.esperar_captcha()
        self.fechar_mensagem("Tempo de espera excedido da Salvexa.")
        self.terminar()

    def test_portal_sem_imagem_mostra_a_pagina(self):
        self.portal("sem-imagem")
        self.programa(CHAVE)
        self.prog.erros.esperar(r"no captcha image", 60)
        self.area.captura_de_tela(os.path.join(self.area.pasta, "portal.png"))
        self.area.digitar("4444")  # the page's own challenge, in the page's captcha field
        self.area.tecla("Return")
        self.terminar()
        self.assertEqual(self.xml_salvo(), self.xml_do_conversor())

    def test_arquivos_sem_salvexa_dir(self):
        # Beside the program when its directory can be written, else in the current directory.
        pasta_programa = BUILD
        destino = pasta_programa if os.access(pasta_programa, os.W_OK) else self.area.pasta
        xml = os.path.join(destino, CHAVE + "-nfe.xml")
        for arquivo in (xml, os.path.join(destino, "captcha.gif")):
            if os.path.exists(arquivo):
                os.remove(arquivo)
        self.portal()
        self.programa(CHAVE, SALVEXA_DIR=None)
        self.consultar(self.esperar_captcha())
        self.terminar()
        self.assertEqual([l for l in self.prog.saida.linhas if l], [xml])
        self.assertTrue(os.path.exists(os.path.join(destino, "captcha.gif")))

    def test_programa_chamador_de_exemplo(self):
        # examples/chamar-salvexa.sh captures the path the program prints, with a time limit.
        self.portal()
        caminho = os.pathsep.join([BUILD, os.environ.get("PATH", "")])
        self.prog = self.area.iniciar_programa(os.path.join(EXEMPLOS, "chamar-salvexa.sh"), CHAVE, PATH=caminho)
        self.consultar(self.esperar_captcha())
        self.terminar()
        self.assertEqual([l for l in self.prog.saida.linhas if l], [os.path.join(self.area.saida, CHAVE + "-nfe.xml")])

    # ---- faults: a clear message, the marker always, nothing half-written ----

    def porta_fechada(self):
        with socket.socket() as s:
            s.bind(("127.0.0.1", 0))
            return s.getsockname()[1]  # closed again when the socket goes

    def test_portal_inalcancavel(self):
        self.portal()
        self.programa(CHAVE, SALVEXA_PORTAL_HOST="localhost:%d" % self.porta_fechada())
        self.fechar_mensagem(r"Não foi possível carregar a página do portal da NF-e \(http://localhost:\d+/portal/"
                             r"consulta.aspx\?.*\): não foi possível conectar ao portal\.$")
        self.terminar()
        self.assertTrue(self.disse(r"^salvexa-nfe: page load failed: http://.*: net::ERR_CONNECTION_REFUSED$"))

    def test_portal_responde_erro(self):
        self.portal("erro")
        self.programa(CHAVE)
        self.fechar_mensagem(r"Não foi possível carregar a página do portal da NF-e \(.*\): "
                             r"o portal respondeu com o erro HTTP 500\.$")
        self.terminar()
        self.assertTrue(self.disse(r"^salvexa-nfe: page load failed: http://.*: HTTP 500$"))

    def test_captcha_indisponivel(self):
        self.portal("sem-captcha")
        self.programa(CHAVE)
        self.fechar_mensagem(r"Não foi possível obter a imagem do captcha: o portal respondeu com o erro HTTP 404\.$")
        self.area.tecla("Escape")
        self.terminar()
        self.assertTrue(self.disse(r"^salvexa-nfe: captcha download failed: http://.*captcha.aspx\?opt=image: "))

    def test_diretorio_sem_lugar_para_os_arquivos(self):
        # Where a file has to go stands a directory: neither captcha nor XML can be written.
        os.mkdir(os.path.join(self.area.saida, "captcha.gif"))
        self.portal()
        self.programa(CHAVE)
        self.fechar_mensagem(r"Não foi possível gravar a imagem do captcha na pasta .*saida\.$")
        self.area.tecla("Escape")
        self.terminar()
        self.assertTrue(self.disse(r"^salvexa-nfe: cannot save the captcha: .*captcha.gif"))

        os.rmdir(os.path.join(self.area.saida, "captcha.gif"))
        os.mkdir(os.path.join(self.area.saida, CHAVE + "-nfe.xml"))
        self.programa(CHAVE)
        self.consultar(self.esperar_captcha())
        self.fechar_mensagem(r"Não foi possível gravar o arquivo XML na pasta .*saida\.$")
        self.area.tecla("Escape")
        self.terminar()
        self.assertTrue(self.disse(r"^salvexa-nfe: cannot save the XML file: .*" + CHAVE + "-nfe.xml"))
        self.assertEqual(sorted(os.listdir(self.area.saida)), sorted(["captcha.gif", CHAVE + "-nfe.xml"]))
        self.assertEqual(os.listdir(os.path.join(self.area.saida, CHAVE + "-nfe.xml")), [])

    def test_sinal_durante_a_carga(self):
        self.portal("sem-resposta")
        self.programa(CHAVE)
        self.area.portal_saida.esperar(r"^PAGE GET http /portal/consulta.aspx", 60)
        self.prog.send_signal(signal.SIGTERM)
        self.terminar()
        self.assertEqual(os.listdir(self.area.saida), [])

    # ---- the hand-off to a calling program ----

    def test_chamador_que_captura_a_saida(self):
        # x=$(salvexa-nfe KEY) and Python's capture_output return as soon as the program ends.
        self.portal()
        programa = os.path.join(BUILD, "salvexa-nfe")
        env = self.area.ambiente(SALVEXA_PORTAL_HOST="localhost:%d" % self.area.porta, SALVEXA_DIR=self.area.saida)
        opcoes = dict(env=env, cwd=self.area.pasta, stdin=subprocess.DEVNULL, capture_output=True, text=True,
                      timeout=30)
        feito = subprocess.run(["sh", "-c", 'x=$("$0" 123); echo done', programa], **opcoes)
        self.assertEqual(feito.stdout, "done\n")
        self.assertEqual(self.area.area_de_transferencia(), ambiente.MARCADOR)
        # The keeper of the marker holds nothing of the caller's and runs no browser.
        servidores = self.area.servidores_da_area()
        self.assertEqual(len(servidores), 1)
        pid = servidores[0]
        self.assertEqual(os.readlink("/proc/%d/cwd" % pid), "/")
        for fd in os.listdir("/proc/%d/fd" % pid):
            alvo = os.readlink("/proc/%d/fd/%s" % (pid, fd))
            if int(fd) <= 2:
                self.assertEqual(alvo, "/dev/null")
            self.assertFalse(alvo.startswith("pipe:") or alvo.startswith("/tmp"), alvo)
        self.assertEqual(filhos(pid), [])

        feito = subprocess.run([programa, CHAVE[:43]], **opcoes)
        self.assertEqual(feito.stdout, "")
        self.assertEqual(feito.stderr.splitlines()[-1],
                         "salvexa-nfe: the access key must have 44 characters; nothing to consult")
        self.assertEqual(self.area.area_de_transferencia(), ambiente.MARCADOR)

    def test_chave_copiada_logo_apos_o_marcador_fica(self):
        # A caller copies its next key as soon as the marker appears: the key
        # is still there once the program and its keeper are gone.
        self.portal()
        self.programa(CHAVE)
        self.consultar(self.esperar_captcha())
        self.area.esperar_area_de_transferencia(ambiente.MARCADOR)
        self.area.pegar_area_de_transferencia(CHAVE_INEXISTENTE)
        self.assertEqual(self.prog.wait(60), 0)
        self.assertTrue(self.prog.saida.terminou(10) and self.prog.erros.terminou(10))
        for pid in self.area.servidores_da_area():  # started before the program ended
            self.esperar_fim(pid)
        self.assertEqual(self.area.area_de_transferencia(), CHAVE_INEXISTENTE)
        self.xml_salvo()

    # ---- a hostile network, hostile files ----

    def test_captcha_sem_fim(self):
        self.portal("captcha-sem-fim")
        self.programa(CHAVE)
        self.fechar_mensagem(r"Não foi possível obter a imagem do captcha: a imagem recebida passa de 1 MiB\.$")
        self.area.tecla("Escape")
        self.terminar()
        self.assertEqual(os.listdir(self.area.saida), [])

    def test_sinal_durante_o_download_do_captcha(self):
        self.portal("captcha-lento")
        self.programa(CHAVE)
        self.area.portal_saida.esperar(r"^CAPTCHA SLOW$", 60)
        self.prog.send_signal(signal.SIGTERM)
        self.terminar()
        self.assertEqual(os.listdir(self.area.saida), [])  # no partial captcha.gif, no temporary

    def test_captcha_redirecionado_para_outra_origem(self):
        # The download carries the portal's session cookie: it never reaches another origin.
        self.portal("captcha-redirecionado")
        self.programa(CHAVE)
        self.fechar_mensagem(r"Não foi possível obter a imagem do captcha: o portal mandou buscá-la em outro "
                             r"endereço\.$")
        self.area.tecla("Escape")
        self.terminar()
        self.assertEqual([l for l in self.area.portal_saida.linhas if l.startswith("FOREIGN")], [])
        self.assertEqual(os.listdir(self.area.saida), [])

    def test_captcha_gif_ligacao_ou_fifo(self):
        # What stands at captcha.gif is replaced: a link's target is never
        # written, a FIFO never opened (it would block).
        vitima = os.path.join(self.area.pasta, "vitima.txt")
        with open(vitima, "w") as f:
            f.write("intacto")
        caminho = os.path.join(self.area.saida, "captcha.gif")
        self.portal()
        for preparar in (lambda c: os.symlink(vitima, c), os.mkfifo):
            preparar(caminho)
            self.programa(CHAVE)
            self.esperar_captcha()
            self.area.tecla("Escape")
            self.terminar()
            self.assertTrue(stat.S_ISREG(os.lstat(caminho).st_mode))
            with open(caminho, "rb") as f:
                self.assertEqual(f.read(6), b"GIF89a")
            self.assertEqual(os.listdir(self.area.saida), ["captcha.gif"])
            os.remove(caminho)
        with open(vitima) as f:
            self.assertEqual(f.read(), "intacto")

    def test_limite_de_tamanho_de_arquivo(self):
        # Over the file-size limit the captcha cannot be saved: told like any
        # other failed write, and the run still ends with its marker. (The
        # limit comes while the download waits, so the browser, which shares
        # the process, is not hit by it.)
        self.portal("captcha-lento")
        self.programa(CHAVE)
        self.area.portal_saida.esperar(r"^CAPTCHA SLOW$", 60)
        resource.prlimit(self.prog.pid, resource.RLIMIT_FSIZE, (64, 64))
        self.area.continuar_portal()
        self.fechar_mensagem(r"Não foi possível gravar a imagem do captcha na pasta .*saida\.$")
        self.area.tecla("Escape")
        self.terminar()
        self.assertTrue(self.disse(r"^salvexa-nfe: cannot save the captcha: .*File too large"))
        self.assertEqual(os.listdir(self.area.saida), [])

    # ---- the window ----

    def test_tab_nao_leva_o_teclado_para_fora_da_janela(self):
        # From the captcha field Tab goes to OK and back, never into the hidden browser.
        self.portal()
        self.programa(CHAVE)
        captcha = self.esperar_captcha()
        self.area.tecla("Tab", "Tab")
        self.consultar(captcha)
        self.terminar()
        self.xml_salvo()


def filhos(pid):
    """The processes whose parent is pid."""
    achados = []
    for outro in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open("/proc/%s/stat" % outro) as f:
                campos = f.read().rsplit(")", 1)[1].split()
        except OSError:
            continue
        if int(campos[1]) == pid:
            achados.append(int(outro))
    return achados


if __name__ == "__main__":
    BUILD = os.path.abspath(sys.argv.pop(1))
    unittest.main()
