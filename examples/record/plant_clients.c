/*
 * The two Modbus/TCP clients of examples/plant.pcapng, played by one program.
 *
 * Client A (10.10.1.1) polls server 1 (10.10.1.2, unit 1) and server 2
 * (10.10.1.3, unit 2) alternately, one request at a time.  Client B
 * (10.10.1.4) polls server 1 by pipelining: three requests with distinct
 * transaction ids are sent before the first answer is read.
 *
 * One program drives both clients so that the order of the messages is the
 * same on every run.  Each connection's socket is created inside its client's
 * network namespace and bound to a fixed local port, so the capture always
 * shows the same addresses and ports.
 *
 * usage: plant_clients <netns-of-A> <netns-of-B>
 *
 * Exit status is 0 only if every answer was the expected one.
 */
#define _GNU_SOURCE
#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <modbus.h>
#include <netinet/in.h>
#include <netinet/ip.h>
#include <netinet/tcp.h>
#include <sched.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

#define SERVER_1 "10.10.1.2"
#define SERVER_2 "10.10.1.3"
#define CLIENT_A "10.10.1.1"
#define CLIENT_B "10.10.1.4"
#define PORT 502
#define CYCLES 3

static int failures;

/* spacing between transactions, keeps the order of ACKs and timestamps readable */
static void pause_a_bit(void) {
    usleep(20000);
}

static void expect(const char* what, int ok) {
    fprintf(stderr, "clients: %-48s %s\n", what, ok ? "ok" : "FAILED");
    if (!ok)
        failures++;
}

static void enter_netns(const char* name) {
    char path[256];
    int fd;

    snprintf(path, sizeof(path), "/run/netns/%s", name);
    fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd == -1 || setns(fd, CLONE_NEWNET) == -1) {
        fprintf(stderr, "clients: enter %s: %s\n", path, strerror(errno));
        exit(1);
    }
    close(fd);
}

/* A libmodbus context on a TCP connection from local_ip:local_port, opened in
 * the current network namespace.  Socket options as libmodbus sets them. */
static modbus_t* connect_from(const char* local_ip, int local_port, const char* server, int unit) {
    struct sockaddr_in local = {.sin_family = AF_INET, .sin_port = htons(local_port)};
    struct sockaddr_in remote = {.sin_family = AF_INET, .sin_port = htons(PORT)};
    int one = 1, tos = IPTOS_LOWDELAY;
    modbus_t* ctx;
    int fd;

    inet_pton(AF_INET, local_ip, &local.sin_addr);
    inet_pton(AF_INET, server, &remote.sin_addr);
    fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd == -1 || setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one)) == -1 ||
        setsockopt(fd, IPPROTO_IP, IP_TOS, &tos, sizeof(tos)) == -1 ||
        bind(fd, (struct sockaddr*)&local, sizeof(local)) == -1 ||
        connect(fd, (struct sockaddr*)&remote, sizeof(remote)) == -1) {
        fprintf(stderr, "clients: %s:%d -> %s:%d: %s\n", local_ip, local_port, server, PORT,
                strerror(errno));
        exit(1);
    }
    ctx = modbus_new_tcp(server, PORT);
    if (ctx == NULL) {
        fprintf(stderr, "clients: modbus_new_tcp: %s\n", modbus_strerror(errno));
        exit(1);
    }
    modbus_set_socket(ctx, fd);
    modbus_set_slave(ctx, unit);
    modbus_set_response_timeout(ctx, 2, 0);
    pause_a_bit();
    return ctx;
}

/* Holding register i of a server: the values modbus_server fills in. */
static uint16_t holding_register(int unit, int i, int written) {
    const uint16_t shift = (uint16_t)((unit - 1) * 0x1000);

    if (written && unit == 1 && i == 2)
        return 0x1234;
    return (uint16_t)((i == 0 ? 0x000A : ((i << 8) | (i * 2))) + shift);
}

static int coil(int unit, int i, int written) {
    static const uint8_t written_coils[4] = {0, 1, 1, 0};

    if (written && unit == 2 && i < 4)
        return written_coils[i];
    return ((0x4D + (unit - 1) * 0x11) >> (i % 8)) & 1;
}

/* Client A: one read of holding registers 0..3 and of coils 0..7. */
static void read_registers(modbus_t* ctx, int unit, int written) {
    uint16_t regs[4];
    int i, ok = modbus_read_registers(ctx, 0, 4, regs) == 4;
    char what[64];

    for (i = 0; ok && i < 4; i++)
        ok = regs[i] == holding_register(unit, i, written);
    snprintf(what, sizeof(what), "A: unit %d read holding registers 0..3", unit);
    expect(what, ok);
    pause_a_bit();
}

static void read_coils(modbus_t* ctx, int unit, int written) {
    uint8_t bits[8];
    int i, ok = modbus_read_bits(ctx, 0, 8, bits) == 8;
    char what[64];

    for (i = 0; ok && i < 8; i++)
        ok = bits[i] == coil(unit, i, written);
    snprintf(what, sizeof(what), "A: unit %d read coils 0..7", unit);
    expect(what, ok);
    pause_a_bit();
}

/* Client B: read holding registers 4..5, 8..9 and 12..13 pipelined: the three
 * requests go out in one write(), so they share one segment.  (Written one by
 * one, the server's first answer can overtake the client's later writes, and
 * the order on the wire would change from run to run.) */
static void pipelined_reads(modbus_t* ctx, int first_tid) {
    static const int start[3] = {4, 8, 12};
    uint8_t frames[3][12];
    uint8_t rsp[MODBUS_TCP_MAX_ADU_LENGTH];
    int fd = modbus_get_socket(ctx);
    int n, ok = 1;
    char what[64];

    for (n = 0; n < 3; n++) {
        const int tid = first_tid + n;
        /* MBAP: transaction id, protocol 0, length 6, unit 1; PDU: fc 3,
         * start address, quantity 2 */
        const uint8_t frame[12] = {tid >> 8, tid & 0xFF, 0, 0, 0, 6, 1, 3, 0, start[n], 0, 2};

        memcpy(frames[n], frame, sizeof(frame));
    }
    ok &= write(fd, frames, sizeof(frames)) == (ssize_t)sizeof(frames);

    /* the server answers in order, one response per segment */
    for (n = 0; n < 3; n++) {
        const int tid = first_tid + n;
        int rc = modbus_receive_confirmation(ctx, rsp);

        ok &= rc == 13 && rsp[0] == (tid >> 8) && rsp[1] == (tid & 0xFF) && rsp[7] == 3 &&
              rsp[8] == 4 && ((rsp[9] << 8) | rsp[10]) == holding_register(1, start[n], 1) &&
              ((rsp[11] << 8) | rsp[12]) == holding_register(1, start[n] + 1, 1);
    }
    snprintf(what, sizeof(what), "B: 3 pipelined reads, tid %d..%d", first_tid, first_tid + 2);
    expect(what, ok);
    pause_a_bit();
}

int main(int argc, char** argv) {
    modbus_t *a1, *a2, *b1;
    int cycle, tid = 1;

    if (argc != 3) {
        fprintf(stderr, "usage: plant_clients <netns-of-A> <netns-of-B>\n");
        return 2;
    }
    alarm(30);

    enter_netns(argv[1]);
    a1 = connect_from(CLIENT_A, 50011, SERVER_1, 1);
    a2 = connect_from(CLIENT_A, 50012, SERVER_2, 2);
    enter_netns(argv[2]);
    b1 = connect_from(CLIENT_B, 50041, SERVER_1, 1);

    for (cycle = 0; cycle < CYCLES; cycle++) {
        const int written = cycle > 0;

        read_registers(a1, 1, written);
        read_registers(a2, 2, written);
        pipelined_reads(b1, tid);
        tid += 3;
        read_coils(a1, 1, written);
        read_coils(a2, 2, written);

        if (cycle == 0) {
            static const uint8_t coils[4] = {0, 1, 1, 0};

            expect("A: unit 1 write register 2 = 0x1234",
                   modbus_write_register(a1, 2, 0x1234) == 1);
            pause_a_bit();
            expect("A: unit 2 write coils 0..3 = 0 1 1 0", modbus_write_bits(a2, 0, 4, coils) == 4);
            pause_a_bit();
        }
    }

    modbus_close(a1);
    pause_a_bit();
    modbus_close(a2);
    pause_a_bit();
    modbus_close(b1);
    modbus_free(a1);
    modbus_free(a2);
    modbus_free(b1);

    if (failures) {
        fprintf(stderr, "clients: %d step(s) failed\n", failures);
        return 1;
    }
    fprintf(stderr, "clients: all steps done\n");
    return 0;
}
