"""A TCP relay on loopback that can be pulled like a cable: every connection through it ends at
once, and for a while newcomers are hung up on."""

import socket
import threading
import time


class BlipRelay:
    def __init__(self, target_port):
        self.target = ("127.0.0.1", target_port)
        self.listener = socket.create_server(("127.0.0.1", 0))
        self.port = self.listener.getsockname()[1]
        self.down_until = 0.0
        self.sockets = []
        self.lock = threading.Lock()
        threading.Thread(target=self._accept, daemon=True).start()

    def blip(self, seconds):
        with self.lock:
            self.down_until = time.monotonic() + seconds
            for s in self.sockets:
                try:
                    s.shutdown(socket.SHUT_RDWR)
                except OSError:
                    pass
                s.close()
            self.sockets = []

    def _accept(self):
        while True:
            near, _ = self.listener.accept()
            if time.monotonic() < self.down_until:
                near.close()
                continue
            far = socket.create_connection(self.target)
            with self.lock:
                self.sockets += [near, far]
            for a, b in ((near, far), (far, near)):
                threading.Thread(target=self._pump, args=(a, b), daemon=True).start()

    @staticmethod
    def _pump(source, sink):
        try:
            while data := source.recv(65536):
                sink.sendall(data)
        except OSError:
            pass
        for s in (source, sink):
            try:
                s.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass
