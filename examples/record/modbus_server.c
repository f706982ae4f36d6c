/*
 * Small Modbus/TCP server used to record the example captures.
 *
 * It serves a fixed number of client connections (one by default) with
 * libmodbus' stock request handling (modbus_receive + modbus_reply) and exits
 * once every client has closed its connection.  Requests are handled one at
 * a time, so requests a client sends back to back are answered in order.
 * The register map is filled with recognisable values, shifted by the unit
 * id so that two servers are easy to tell apart, and decoded captures are
 * easy to check by eye.
 *
 * usage: modbus_server <listen-address> <port> <unit-id> [clients]
 */
#include <errno.h>
#include <modbus.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>

#define NB_BITS 32
#define NB_INPUT_BITS 32
#define NB_REGISTERS 16
#define NB_INPUT_REGISTERS 16

#define MAX_CLIENTS 8

/* unit 1 gets the values below; unit n adds (n - 1) * 0x1000 to every
 * register and (n - 1) * 0x11 to the coil pattern */
static void fill_mapping(modbus_mapping_t* mb, int unit) {
    const uint16_t shift = (uint16_t)((unit - 1) * 0x1000);
    const uint8_t coil_pattern = (uint8_t)(0x4D + (unit - 1) * 0x11);
    int i;

    /* coils: 1,0,1,1,0,0,1,0 repeated for unit 1 (0x4D per byte, LSB first) */
    for (i = 0; i < NB_BITS; i++)
        mb->tab_bits[i] = (coil_pattern >> (i % 8)) & 1;

    /* discrete inputs: every third input set */
    for (i = 0; i < NB_INPUT_BITS; i++)
        mb->tab_input_bits[i] = (i % 3 == 0);

    /* holding registers: 0x000A, 0x0102, 0x0204, ... */
    mb->tab_registers[0] = (uint16_t)(0x000A + shift);
    for (i = 1; i < NB_REGISTERS; i++)
        mb->tab_registers[i] = (uint16_t)(((i << 8) | (i * 2)) + shift);

    /* input registers: 0x1000, 0x1111, 0x1222, ... */
    for (i = 0; i < NB_INPUT_REGISTERS; i++)
        mb->tab_input_registers[i] = (uint16_t)(0x1000 + i * 0x111 + shift);
}

/* Answers one request on `fd`; returns -1 once the client has gone. */
static int serve_one(modbus_t* ctx, int fd, modbus_mapping_t* mb) {
    uint8_t query[MODBUS_TCP_MAX_ADU_LENGTH];
    int rc;

    modbus_set_socket(ctx, fd);
    rc = modbus_receive(ctx, query);
    if (rc > 0) {
        /* unknown functions are answered with ILLEGAL FUNCTION,
         * out-of-range addresses with ILLEGAL DATA ADDRESS */
        if (modbus_reply(ctx, query, rc, mb) == -1)
            fprintf(stderr, "server: reply: %s\n", modbus_strerror(errno));
        return 1;
    }
    /* 0: indication for another unit, ignored; -1: closed (or timeout) */
    return rc;
}

int main(int argc, char** argv) {
    const char* addr = argc > 1 ? argv[1] : "127.0.0.1";
    int port = argc > 2 ? atoi(argv[2]) : 502;
    int unit = argc > 3 ? atoi(argv[3]) : 1;
    int clients = argc > 4 ? atoi(argv[4]) : 1;
    int fds[MAX_CLIENTS];
    int accepted = 0, open_fds = 0, served = 0;
    modbus_mapping_t* mb;
    modbus_t* ctx;
    int listen_fd;
    int i, rc;

    /* never hang around if a client goes missing */
    alarm(30);

    if (clients < 1 || clients > MAX_CLIENTS) {
        fprintf(stderr, "server: clients must be 1..%d\n", MAX_CLIENTS);
        return 2;
    }
    ctx = modbus_new_tcp(addr, port);
    if (ctx == NULL) {
        fprintf(stderr, "server: modbus_new_tcp: %s\n", modbus_strerror(errno));
        return 1;
    }
    modbus_set_slave(ctx, unit);
    modbus_set_indication_timeout(ctx, 10, 0);
    /* modbus_reply() waits one response timeout before answering an unknown
     * function (to flush whatever follows); keep that wait short */
    modbus_set_response_timeout(ctx, 0, 100000);

    mb = modbus_mapping_new(NB_BITS, NB_INPUT_BITS, NB_REGISTERS, NB_INPUT_REGISTERS);
    if (mb == NULL) {
        fprintf(stderr, "server: modbus_mapping_new: %s\n", modbus_strerror(errno));
        modbus_free(ctx);
        return 1;
    }
    fill_mapping(mb, unit);

    listen_fd = modbus_tcp_listen(ctx, clients);
    if (listen_fd == -1) {
        fprintf(stderr, "server: listen on %s:%d: %s\n", addr, port, modbus_strerror(errno));
        modbus_mapping_free(mb);
        modbus_free(ctx);
        return 1;
    }
    fprintf(stderr, "server: listening on %s:%d (unit %d, %d client(s))\n", addr, port, unit,
            clients);

    /* accept the expected clients as they come while serving those already
     * connected; stop when all of them have closed */
    while (accepted < clients || open_fds > 0) {
        fd_set readable;
        int max_fd = -1;

        FD_ZERO(&readable);
        if (accepted < clients) {
            FD_SET(listen_fd, &readable);
            max_fd = listen_fd;
        }
        for (i = 0; i < accepted; i++) {
            if (fds[i] >= 0) {
                FD_SET(fds[i], &readable);
                if (fds[i] > max_fd)
                    max_fd = fds[i];
            }
        }
        if (select(max_fd + 1, &readable, NULL, NULL, NULL) == -1) {
            fprintf(stderr, "server: select: %s\n", modbus_strerror(errno));
            break;
        }
        if (accepted < clients && FD_ISSET(listen_fd, &readable)) {
            fds[accepted] = accept(listen_fd, NULL, NULL);
            if (fds[accepted] == -1) {
                fprintf(stderr, "server: accept: %s\n", modbus_strerror(errno));
                break;
            }
            accepted++;
            open_fds++;
            /* all expected clients are in: stop listening */
            if (accepted == clients)
                close(listen_fd);
        }
        for (i = 0; i < accepted; i++) {
            if (fds[i] < 0 || !FD_ISSET(fds[i], &readable))
                continue;
            rc = serve_one(ctx, fds[i], mb);
            if (rc > 0) {
                served++;
            } else if (rc == -1) {
                close(fds[i]);
                fds[i] = -1;
                open_fds--;
            }
        }
    }

    fprintf(stderr, "server: clients gone after %d requests\n", served);
    modbus_mapping_free(mb);
    modbus_free(ctx);
    return open_fds == 0 && accepted == clients ? 0 : 1;
}
