#!/usr/bin/env python3
"""salvexa-nfe used as a person uses it: a real window on an X display, the
embedded browser talking to the test portal over http and TLS, the captcha
read off the portal and typed on the keyboard, the clipboard read after the
program has ended.

Run one case: e2e.py BUILD_DIR Consulta.test_caminho_feliz
"""

import os
import select
import signal
import socket
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import ambiente  # noqa: E402

BUILD = None
EXEMPLOS = os.path.join(ambiente.RAIZ, "examples")
EXEMPLO = os.path.join(EXEMPLOS, "consulta-completa.html")
CHAVE = "35110461482735000193550010000045671012345678"
# A valid access key the portal does not know.
CHAVE_INEXISTENTE = "35110461482735000193550010000045681012345675"
# 44 digits that fail the check digit.
CHAVE_ERRADA = "35110461482735000193550010000045671012345679"


class Consulta(unittest.TestCase):
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
        self.area.tecla("Return")

    def terminar(self, codigo=0):
        self.assertEqual(self.prog.wait(60), codigo)
        self.assertEqual(self.area.area_de_transferencia(), ambiente.MARCADOR)

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
        # examples/chamar-salvexa.sh waits for the marker and prints the file a run saved.
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
        self.fechar_mensagem("Não foi possível carregar a página do portal da NF-e .*ERR_CONNECTION_REFUSED")
        self.terminar()

    def test_portal_responde_erro(self):
        self.portal("erro")
        self.programa(CHAVE)
        self.fechar_mensagem("Não foi possível carregar a página do portal da NF-e .*500")
        self.terminar()

    def test_captcha_indisponivel(self):
        self.portal("sem-captcha")
        self.programa(CHAVE)
        self.fechar_mensagem("Não foi possível obter a imagem do captcha: cannot download .*captcha.aspx")
        self.area.tecla("Escape")
        self.terminar()

    def test_diretorio_sem_lugar_para_os_arquivos(self):
        # Where a file has to go stands a directory: neither captcha nor XML can be written.
        os.mkdir(os.path.join(self.area.saida, "captcha.gif"))
        self.portal()
        self.programa(CHAVE)
        self.fechar_mensagem("Não foi possível obter a imagem do captcha: cannot write .*captcha.gif")
        self.area.tecla("Escape")
        self.terminar()

        os.rmdir(os.path.join(self.area.saida, "captcha.gif"))
        os.mkdir(os.path.join(self.area.saida, CHAVE + "-nfe.xml"))
        self.programa(CHAVE)
        self.consultar(self.esperar_captcha())
        self.fechar_mensagem("Não foi possível gravar o arquivo XML: .*" + CHAVE + "-nfe.xml")
        self.area.tecla("Escape")
        self.terminar()
        self.assertEqual(sorted(os.listdir(self.area.saida)), sorted(["captcha.gif", CHAVE + "-nfe.xml"]))
        self.assertEqual(os.listdir(os.path.join(self.area.saida, CHAVE + "-nfe.xml")), [])

    def test_sinal_durante_a_carga(self):
        self.portal("sem-resposta")
        self.programa(CHAVE)
        self.area.portal_saida.esperar(r"^PAGE GET http /portal/consulta.aspx", 60)
        self.prog.send_signal(signal.SIGTERM)
        self.terminar()
        self.assertEqual(os.listdir(self.area.saida), [])


if __name__ == "__main__":
    BUILD = os.path.abspath(sys.argv.pop(1))
    unittest.main()
