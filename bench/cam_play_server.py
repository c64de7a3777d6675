#!/usr/bin/env python3
"""Plays many cams on 127.0.0.1 for the checker benchmarks: GET /slow/... answers a JPEG after SLOW
seconds, /dead/... 404, anything else the JPEG at once. Prints the port it listens on, then serves
until killed. Usage: cam_play_server.py JPEG-FILE [SLOW-SECONDS]"""
import asyncio
import sys

picture = open(sys.argv[1], "rb").read()
slow_seconds = float(sys.argv[2]) if len(sys.argv) > 2 else 5.0
ok = (b"HTTP/1.0 200 OK\r\nContent-Type: image/jpeg\r\nContent-Length: %d\r\n\r\n" % len(picture)) + picture
missing = b"HTTP/1.0 404 Not Found\r\nContent-Type: text/plain\r\nContent-Length: 4\r\n\r\ngone"


async def answer(reader, writer):
    try:
        head = await reader.readuntil(b"\r\n\r\n")
        path = head.split(b" ", 2)[1]
        if path.startswith(b"/slow/"):
            await asyncio.sleep(slow_seconds)
        writer.write(missing if path.startswith(b"/dead/") else ok)
        await writer.drain()
    except (asyncio.IncompleteReadError, ConnectionError, IndexError):
        pass
    finally:
        writer.close()


async def main():
    server = await asyncio.start_server(answer, "127.0.0.1", 0, backlog=4096)
    print(server.sockets[0].getsockname()[1], flush=True)
    async with server:
        await server.serve_forever()


asyncio.run(main())
