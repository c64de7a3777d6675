# The catalogue server's benchmark is a script (bench_server.sh): wrk against lumora-server and
# against nginx serving the same reply bytes, both on 127.0.0.1. It needs only lumora-server,
# which every build makes.
