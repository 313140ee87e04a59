"""What a run of salvexa-nfe against the test portal needs, as a person's
desktop would have it: an X display, a home whose NSS database trusts the
portal's certificate authority, the portal itself and the program, with a
way to wait for what each of them says."""

import os
import queue
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time

AQUI = os.path.dirname(os.path.abspath(__file__))
RAIZ = os.path.dirname(os.path.dirname(AQUI))
ID_CONTEUDO = "XbSeqxE8pl8="
MARCADOR = "Fim Salvexa NF-e"


def executar(*comando, **opcoes):
    return subprocess.run(comando, check=True, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, **opcoes)


def criar_certificados(pasta):
    """A certificate authority and a loopback server certificate it signed."""
    ca_chave, ca = os.path.join(pasta, "ca.key"), os.path.join(pasta, "ca.pem")
    chave, pedido, cert = (os.path.join(pasta, n) for n in ("portal.key", "portal.csr", "portal.pem"))
    extensoes = os.path.join(pasta, "portal.ext")
    with open(extensoes, "w") as f:
        f.write("subjectAltName=DNS:localhost,IP:127.0.0.1\nextendedKeyUsage=serverAuth\n"
                "basicConstraints=critical,CA:FALSE\nkeyUsage=critical,digitalSignature\n")
    curva = ["-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"]
    executar("openssl", "req", "-x509", *curva, "-keyout", ca_chave, "-out", ca, "-days", "3",
             "-subj", "/CN=Salvexa Test Portal CA",
             "-addext", "basicConstraints=critical,CA:TRUE", "-addext", "keyUsage=critical,keyCertSign,cRLSign")
    executar("openssl", "req", *curva, "-keyout", chave, "-out", pedido, "-subj", "/CN=localhost")
    executar("openssl", "x509", "-req", "-in", pedido, "-CA", ca, "-CAkey", ca_chave, "-CAcreateserial",
             "-out", cert, "-days", "3", "-extfile", extensoes)
    return ca, cert, chave


def confiar_na_autoridade(home, ca):
    """Adds the authority to the user's NSS database, where the embedded browser looks."""
    nssdb = os.path.join(home, ".pki", "nssdb")
    os.makedirs(nssdb, exist_ok=True)
    executar("certutil", "-N", "-d", "sql:" + nssdb, "--empty-password")
    executar("certutil", "-A", "-d", "sql:" + nssdb, "-n", "Salvexa Test Portal CA", "-t", "C,,", "-i", ca)


class Leitor:
    """The lines a process writes on one stream, to be waited for."""

    def __init__(self, fluxo, eco=None):
        self.linhas = []
        self.fila = queue.Queue()
        self.eco = eco
        self.fio = threading.Thread(target=self._ler, args=(fluxo,), daemon=True)
        self.fio.start()

    def _ler(self, fluxo):
        for linha in fluxo:
            linha = linha.rstrip("\n")
            self.linhas.append(linha)
            if self.eco:
                print(self.eco + linha, file=sys.stderr, flush=True)
            self.fila.put(linha)
        self.fila.put(None)

    def terminou(self, limite):
        """Whether the stream reached its end (every writer closed it) within the time limit."""
        self.fio.join(limite)
        return not self.fio.is_alive()

    def esperar(self, padrao, limite=60):
        """The first new line matching the pattern; fails at the end of the stream or time."""
        fim = time.monotonic() + limite
        while True:
            resto = fim - time.monotonic()
            if resto <= 0:
                raise TimeoutError("no line matching %r within %ss" % (padrao, limite))
            try:
                linha = self.fila.get(timeout=resto)
            except queue.Empty:
                continue
            if linha is None:
                raise EOFError("stream ended before a line matching %r" % padrao)
            achado = re.search(padrao, linha)
            if achado:
                return achado


class Area:
    """A temporary desktop: X display, home and output directory."""

    def __init__(self, verboso=False):
        self.pasta = tempfile.mkdtemp(prefix="salvexa-gui-")
        self.home = os.path.join(self.pasta, "home")
        self.saida = os.path.join(self.pasta, "saida")
        self.runtime = os.path.join(self.pasta, "runtime")
        for p in (self.home, self.saida):
            os.makedirs(p)
        os.makedirs(self.runtime, mode=0o700)
        self.verboso = verboso
        self.processos = []
        self.display = None
        self.portal = None
        self.portal_saida = None

    # ---- display ----
    def iniciar_xvfb(self):
        leitura, escrita = os.pipe()
        xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(escrita), "-screen", "0", "1280x800x24", "-nolisten", "tcp"],
                                pass_fds=(escrita,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(escrita)
        numero = b""
        with os.fdopen(leitura, "rb") as f:
            numero = f.readline().strip()
        if not numero:
            raise RuntimeError("Xvfb did not start")
        self.processos.append(xvfb)
        self.display = ":" + numero.decode()

    def usar_display(self, display):
        self.display = display

    def ambiente(self, **extra):
        env = dict(os.environ)
        env.update(DISPLAY=self.display, HOME=self.home, XDG_RUNTIME_DIR=self.runtime)
        env.pop("WAYLAND_DISPLAY", None)
        env.update(extra)
        return env

    # ---- portal ----
    def iniciar_portal(self, paginas, modo="normal", captcha=None):
        ca, cert, chave = criar_certificados(self.pasta)
        confiar_na_autoridade(self.home, ca)
        comando = [sys.executable, os.path.join(AQUI, "portal.py"), "--cert", cert, "--key", chave,
                   "--content-id", ID_CONTEUDO, "--mode", modo]
        if captcha:
            comando += ["--captcha", captcha]
        for p in paginas:
            comando += ["--page", p]
        self.portal = subprocess.Popen(comando, stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        self.processos.append(self.portal)
        self.portal_saida = Leitor(self.portal.stdout, "portal: " if self.verboso else None)
        self.porta = int(self.portal_saida.esperar(r"^PORT (\d+)$", 20).group(1))
        return self.porta

    def continuar_portal(self):
        """Lets a portal that holds an answer (mode captcha-lento) send the rest."""
        self.portal.stdin.write("\n")
        self.portal.stdin.flush()

    # ---- the program ----
    def iniciar_programa(self, programa, *argumentos, **extra):
        """The program (or a script that runs it) with its configuration, on this desktop."""
        variaveis = dict(SALVEXA_PORTAL_HOST="localhost:%d" % self.porta if self.portal else "localhost:9",
                         SALVEXA_PORTAL_CONTENT_ID=ID_CONTEUDO, SALVEXA_DIR=self.saida)
        variaveis.update(extra)
        env = self.ambiente(**{k: v for k, v in variaveis.items() if v is not None})
        for nome in [k for k, v in variaveis.items() if v is None]:  # None: unset
            env.pop(nome, None)
        processo = subprocess.Popen([programa, *argumentos], env=env, stdin=subprocess.DEVNULL, cwd=self.pasta,
                                    stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        self.processos.append(processo)
        processo.saida = Leitor(processo.stdout, "stdout: " if self.verboso else None)
        processo.erros = Leitor(processo.stderr, "stderr: " if self.verboso else None)
        return processo

    # ---- a person at the keyboard ----
    def xdotool(self, *argumentos):
        return executar("xdotool", *argumentos, env=self.ambiente()).stdout

    def digitar(self, texto):
        self.xdotool("type", "--delay", "30", texto)

    def tecla(self, *teclas):
        self.xdotool("key", "--delay", "30", *teclas)

    def janela_principal(self, pid):
        """The main window's id: the program's window with the title and the fixed 642x151 size."""
        for janela in self.xdotool("search", "--sync", "--pid", str(pid), "--name", "^Salvexa NF-e$").split():
            if "Geometry: 642x151" in self.xdotool("getwindowgeometry", janela):
                return janela
        raise RuntimeError("main window not found")

    def esperar_foco(self, janela, processo, limite=10):
        """Polls until the window has the keyboard, the process has ended or the time limit has passed."""
        fim = time.monotonic() + limite
        while time.monotonic() < fim and processo.poll() is None:
            foco = subprocess.run(["xdotool", "getwindowfocus"], env=self.ambiente(), stdout=subprocess.PIPE,
                                  stderr=subprocess.DEVNULL, text=True, timeout=10).stdout.strip()
            if foco == janela:
                return True
        return False

    def clicar(self, janela, x, y):
        self.xdotool("mousemove", "--window", janela, str(x), str(y), "click", "1")

    def area_de_transferencia(self):
        return executar("xclip", "-o", "-selection", "clipboard", env=self.ambiente(), timeout=10).stdout

    def pegar_area_de_transferencia(self, texto):
        """Another program puts text on the clipboard (xclip keeps serving it in the background)."""
        xclip = subprocess.Popen(["xclip", "-i", "-selection", "clipboard"], stdin=subprocess.PIPE,
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=self.ambiente())
        xclip.communicate(texto.encode("utf-8"), timeout=10)

    def esperar_area_de_transferencia(self, texto, limite=30):
        """Polls the clipboard until it holds the text; fails at the time limit."""
        fim = time.monotonic() + limite
        while time.monotonic() < fim:
            if subprocess.run(["xclip", "-o", "-selection", "clipboard"], env=self.ambiente(), timeout=10,
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True).stdout == texto:
                return
        raise TimeoutError("the clipboard never held %r" % texto)

    def captura_de_tela(self, arquivo):
        executar("import", "-window", "root", arquivo, env=self.ambiente())
        return arquivo

    def servidores_da_area(self):
        """The hidden processes that keep the end marker on this display's clipboard."""
        achados = []
        for pid in filter(str.isdigit, os.listdir("/proc")):
            try:
                with open("/proc/%s/cmdline" % pid, "rb") as f:
                    linha = f.read().split(b"\0")
                with open("/proc/%s/environ" % pid, "rb") as f:
                    env = f.read().split(b"\0")
            except OSError:
                continue
            if b"--serve-end-marker" in linha and ("DISPLAY=" + self.display).encode() in env:
                achados.append(int(pid))
        return achados

    def encerrar(self):
        for pid in self.servidores_da_area() if self.display else []:
            try:
                os.kill(pid, signal.SIGTERM)
            except OSError:
                pass
        for p in reversed(self.processos):
            if p.poll() is None:
                p.terminate()
                try:
                    p.wait(timeout=10)
                except subprocess.TimeoutExpired:
                    p.kill()
                    p.wait()
        shutil.rmtree(self.pasta, ignore_errors=True)
