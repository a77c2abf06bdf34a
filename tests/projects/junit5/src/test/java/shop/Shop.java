package shop;

import static org.junit.jupiter.api.Assertions.assertFalse;

import java.nio.file.Files;
import java.nio.file.Paths;

/** A test fails while the project's folder holds a file fail-NAME. */
final class Shop {
    private Shop() {}

    static void check(String name) {
        assertFalse(Files.exists(Paths.get("fail-" + name)), "fail-" + name);
    }
}
