/*
 * Modbus/TCP client used to record examples/example.pcap.
 *
 * Runs a fixed sequence of requests against modbus_server so that the
 * capture contains every function code the parser decodes, one function it
 * does not know (Diagnostics, fc 8) and an exception response.
 *
 * usage: modbus_client <server-address> <port> <unit-id>
 *
 * Exit status is 0 only if every step behaved as expected.
 */
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <modbus.h>

static int failures;

/* spacing between transactions, keeps timestamps readable */
static void pause_a_bit(void)
{
    usleep(20000);
}

static void check(const char *what, int rc, int expected)
{
    if (rc == expected) {
        fprintf(stderr, "client: %-34s ok\n", what);
    } else {
        fprintf(stderr, "client: %-34s FAILED (rc=%d, expected %d: %s)\n",
                what, rc, expected, modbus_strerror(errno));
        failures++;
    }
    pause_a_bit();
}

/* for requests that must fail with a given Modbus exception */
static void check_exception(const char *what, int rc, int expected_errno)
{
    if (rc == -1 && errno == expected_errno) {
        fprintf(stderr, "client: %-34s ok (%s)\n", what, modbus_strerror(errno));
    } else {
        fprintf(stderr, "client: %-34s FAILED (rc=%d: %s)\n",
                what, rc, modbus_strerror(errno));
        failures++;
    }
    pause_a_bit();
}

int main(int argc, char **argv)
{
    const char *addr = argc > 1 ? argv[1] : "127.0.0.1";
    int port = argc > 2 ? atoi(argv[2]) : 502;
    int unit = argc > 3 ? atoi(argv[3]) : 1;
    uint8_t bits[32];
    uint16_t regs[16];
    uint8_t rsp[MODBUS_TCP_MAX_ADU_LENGTH];
    modbus_t *ctx;
    int rc;

    alarm(30);

    ctx = modbus_new_tcp(addr, port);
    if (ctx == NULL) {
        fprintf(stderr, "client: modbus_new_tcp: %s\n", modbus_strerror(errno));
        return 1;
    }
    modbus_set_slave(ctx, unit);
    modbus_set_response_timeout(ctx, 2, 0);

    if (modbus_connect(ctx) == -1) {
        fprintf(stderr, "client: connect to %s:%d: %s\n", addr, port, modbus_strerror(errno));
        modbus_free(ctx);
        return 1;
    }
    pause_a_bit();

    /* reads */
    check("read coils 0..15 (fc 1)", modbus_read_bits(ctx, 0, 16, bits), 16);
    check("read discrete inputs 0..11 (fc 2)", modbus_read_input_bits(ctx, 0, 12, bits), 12);
    check("read holding registers 0..9 (fc 3)", modbus_read_registers(ctx, 0, 10, regs), 10);
    if (regs[0] != 0x000A || regs[1] != 0x0102 || regs[9] != 0x0912) {
        fprintf(stderr, "client: unexpected holding register values\n");
        failures++;
    }
    check("read input registers 0..3 (fc 4)", modbus_read_input_registers(ctx, 0, 4, regs), 4);

    /* single writes */
    check("write coil 3 = OFF (fc 5)", modbus_write_bit(ctx, 3, FALSE), 1);
    check("write register 2 = 0x1234 (fc 6)", modbus_write_register(ctx, 2, 0x1234), 1);

    /* multiple writes */
    {
        static const uint8_t coil_values[10] = { 1, 1, 0, 0, 1, 0, 1, 0, 1, 1 };
        static const uint16_t reg_values[3] = { 0xCAFE, 0xBEEF, 0x0001 };

        check("write coils 8..17 (fc 15)",
              modbus_write_bits(ctx, 8, 10, coil_values), 10);
        check("write registers 4..6 (fc 16)",
              modbus_write_registers(ctx, 4, 3, reg_values), 3);
    }

    /* mask write: reg 1 = (0x0102 & 0x00F2) | (0x0025 & ~0x00F2) = 0x0007 */
    check("mask write register 1 (fc 22)",
          modbus_mask_write_register(ctx, 1, 0x00F2, 0x0025), 1);

    /* write 2 registers at 10, then read back 0..4 in the same transaction */
    {
        static const uint16_t wr_values[2] = { 0x0A0B, 0x0C0D };

        check("write/read registers (fc 23)",
              modbus_write_and_read_registers(ctx, 10, 2, wr_values, 0, 5, regs), 5);
    }

    /* report slave id */
    rc = modbus_report_slave_id(ctx, (int)sizeof(rsp), rsp);
    check("report slave id (fc 17)", rc > 0 ? 1 : rc, 1);

    /* Diagnostics / return query data: the server does not implement it and
     * answers with exception 1 (ILLEGAL FUNCTION) */
    {
        const uint8_t raw[] = { (uint8_t)unit, 0x08, 0x00, 0x00, 0xA5, 0x37 };

        rc = modbus_send_raw_request(ctx, raw, (int)sizeof(raw));
        if (rc == -1) {
            fprintf(stderr, "client: send raw fc 8: %s\n", modbus_strerror(errno));
            failures++;
        } else {
            rc = modbus_receive_confirmation(ctx, rsp);
            /* 7 byte MBAP header, then fc | 0x80 and the exception code */
            if (rc == 9 && rsp[7] == 0x88 && rsp[8] == MODBUS_EXCEPTION_ILLEGAL_FUNCTION)
                check("diagnostics (fc 8) -> exception 1", 1, 1);
            else
                check("diagnostics (fc 8) -> exception 1", rc, 9);
        }
    }

    /* read past the end of the holding register table -> exception 2 */
    check_exception("read holding registers 100..101",
                    modbus_read_registers(ctx, 100, 2, regs), EMBXILADD);

    modbus_close(ctx);
    modbus_free(ctx);

    if (failures) {
        fprintf(stderr, "client: %d step(s) failed\n", failures);
        return 1;
    }
    fprintf(stderr, "client: all steps done\n");
    return 0;
}
