"""A report server for the reliability tests that is alive but never finishes a response."""

import socket
import threading


class DrippingServer:
    """Takes one request, then sends one byte every interval seconds, count times, and closes:
    a server that is alive, but far too slow to ever finish a response."""

    def __init__(self, data=b"HTT", interval=20.0):
        self.requests = []
        self.done = threading.Event()
        self.sock = socket.create_server(("127.0.0.1", 0))
        self.base = "http://127.0.0.1:%d" % self.sock.getsockname()[1]
        self.stopping = threading.Event()
        threading.Thread(target=self.serve, args=(data, interval), daemon=True).start()

    def serve(self, data, interval):
        conn, _ = self.sock.accept()
        with conn:
            request = b""
            while b"\r\n\r\n" not in request:
                chunk = conn.recv(65536)
                if not chunk:
                    return
                request += chunk
            head, _, body = request.partition(b"\r\n\r\n")
            length = 0
            for line in head.split(b"\r\n"):
                if line.lower().startswith(b"content-length:"):
                    length = int(line.split(b":", 1)[1])
            while len(body) < length:
                body += conn.recv(65536)
            self.requests.append(body)
            for byte in data:
                if self.stopping.wait(interval):
                    return
                conn.sendall(bytes([byte]))
        self.done.set()

    def stop(self):
        self.stopping.set()
        self.sock.close()
