package antorder.junit5;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertNotSame;
import static org.junit.jupiter.api.Assertions.assertSame;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.io.IOException;
import java.io.UncheckedIOException;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;
import java.util.Map;
import java.util.Optional;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;
import org.junit.jupiter.params.ParameterizedTest;
import org.junit.jupiter.params.provider.CsvSource;

/** How the adapter reads the files antorder-suite writes, run by JUnit's console launcher. */
class OrderFileTest {
    @TempDir Path folder;

    @ParameterizedTest(name = "{0}")
    @CsvSource(delimiter = '|', nullValues = "-", value = {
        "shop.CartTest.total | shop.CartTest | total",
        "shop.CartTest$Abroad.duty | shop.CartTest$Abroad | duty",
        "shop.CartTest.search{int}[2] | shop.CartTest | search",
        "shop.CartTest.search(int)[2] | shop.CartTest | search",
        "shop.CartTest.total() | shop.CartTest | total",
        "shop.MailTest.retry[2] | shop.MailTest | retry",
        "shop.CartTest.search{String}[1] a.b.c | shop.CartTest | search",
        "shop.CartTest.search[1] (x.y) | shop.CartTest | search",
        "Default.test | Default | test",
        "total | - | -",
        "shop.CartTest. | - | -",
        ".total | - | -",
        "shop.CartTest.{int}[1] | - | -",
    })
    void splitsALineIntoClassAndMethod(String line, String className, String method) {
        String[] expected = className == null ? null : new String[] {className, method};
        assertArrayEquals(expected, OrderFile.split(line));
    }

    @Test
    void theDecidingTestIsTheShorterThenTheFirstByText() {
        assertEquals("a.B.m[2]", OrderFile.first("a.B.m[10]", "a.B.m[2]"));
        assertEquals("a.B.m[1]", OrderFile.first("a.B.m[2]", "a.B.m[1]"));
        assertEquals("a.B.m[1]", OrderFile.first("a.B.m[1]", "a.B.m[1]"));
    }

    private String write(String name, byte[] bytes) throws IOException {
        Path file = folder.resolve(name);
        Files.write(file, bytes);
        return file.toString();
    }

    private static OrderFile load(String order, String rest) {
        Map<String, String> parameters = new java.util.HashMap<>();
        parameters.put(OrderFile.ORDER, order);
        parameters.put(OrderFile.REST, rest);
        return OrderFile.get(key -> Optional.ofNullable(parameters.get(key)));
    }

    @Test
    void positionsCountTheFilesLinesWhateverTheirEnds() throws IOException {
        byte[] text = ("shop.MailTest.send\r\n\r\n"
                + "shop.CartTest$Abroad$Customs.declare\n"
                + "shop.Cart\u00ffTest.total\n"
                + "shop.CartTest.search{int}[2]\r\n"
                + "shop.MailTest.bounce\n"
                + "shop.CartTest.total")
                .getBytes(java.nio.charset.StandardCharsets.ISO_8859_1);
        OrderFile file = load(write("order.txt", text), null);
        assertEquals(0, file.methodPosition("shop.MailTest", "send"));
        assertEquals(4, file.methodPosition("shop.MailTest", "bounce"));
        assertEquals(3, file.methodPosition("shop.CartTest", "search"));
        // The last line has no line feed; the one with a byte that is not
        // UTF-8 matches nothing and is no test of CartTest.
        assertEquals(5, file.methodPosition("shop.CartTest", "total"));
        // A class goes where the first test of it or of a class in it is.
        assertEquals(1, file.classPosition("shop.CartTest"));
        assertEquals(1, file.classPosition("shop.CartTest$Abroad"));
        assertEquals(-1, file.classPosition("shop.Cart"));
        assertEquals(-1, file.methodPosition("shop.CartTest", "search{int}"));
        assertTrue(file.named("shop.CartTest$Abroad$Customs"));
        assertFalse(file.named("shop.LoginTest"));
    }

    @Test
    void theRestLeavesOutAMethodInOneShareOnly() throws IOException {
        String order = write("shard-1.txt", String.join("\n",
                "shop.CartTest.search{int}[2]", "shop.CartTest.total", "shop.MailTest.send",
                "shop.LoginTest.reset").getBytes());
        String rest = write("others-1.txt", String.join("\n",
                "shop.CartTest.search{int}[1]", "shop.CartTest.search{int}[10]",
                "shop.MailTest.bounce", "shop.LoginTest.reset").getBytes());
        OrderFile shard = load(order, rest);
        assertTrue(shard.leftOut("shop.MailTest", "bounce"));
        assertFalse(shard.leftOut("shop.MailTest", "send"));
        assertFalse(shard.leftOut("shop.MailTest", "unnamed"));
        // In both files: it runs.
        assertFalse(shard.leftOut("shop.LoginTest", "reset"));
        assertTrue(shard.named("shop.MailTest"));
        // search[1] decides, and it is the other share's: the method runs
        // there, whole, and in that share (the files swapped) it is not left out.
        assertTrue(shard.leftOut("shop.CartTest", "search"));
        String otherOrder = write("shard-2.txt", String.join("\n",
                "shop.CartTest.search{int}[1]", "shop.CartTest.search{int}[10]").getBytes());
        String otherRest = write("others-2.txt", String.join("\n",
                "shop.CartTest.search{int}[2]", "shop.CartTest.total").getBytes());
        assertFalse(load(otherOrder, otherRest).leftOut("shop.CartTest", "search"));
    }

    @Test
    void aFileIsReadOnceForItsPaths() throws IOException {
        String order = write("order.txt", "a.B.c\n".getBytes());
        OrderFile first = load(order, null);
        assertSame(first, load(order, null));
        assertSame(first, load(order, ""));
        assertNotSame(first, load(order, write("rest.txt", "a.B.d\n".getBytes())));
        assertFalse(load(null, null).ordering());
    }

    @Test
    void aFileThatCannotBeReadStopsTheRun() {
        String missing = folder.resolve("missing.txt").toString();
        for (String key : new String[] {OrderFile.ORDER, OrderFile.REST}) {
            UncheckedIOException e = assertThrows(UncheckedIOException.class,
                    () -> load(key.equals(OrderFile.ORDER) ? missing : null,
                            key.equals(OrderFile.REST) ? missing : null));
            assertTrue(e.getMessage().contains(key + "=" + missing + ": cannot read"), e.getMessage());
        }
    }

    @Test
    void theWarningNamesTenClassesAndCountsTheOthers() {
        assertEquals("antorder: 1 test class is named in neither antorder.order=o.txt, and runs after"
                        + " the ordered ones: a.B",
                AntorderClassOrderer.warning(List.of("a.B"), "antorder.order=o.txt"));
        List<String> many = new ArrayList<>();
        for (int i = 0; i < 12; ++i) {
            many.add("a.C" + i);
        }
        String line = AntorderClassOrderer.warning(many, "F");
        assertTrue(line.startsWith("antorder: 12 test classes are named in neither F, and run after"
                + " the ordered ones: a.C0, a.C1,"), line);
        assertTrue(line.endsWith(", a.C9 and 2 more"), line);
    }
}
