package shop;

import org.junit.jupiter.api.Nested;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.params.ParameterizedTest;
import org.junit.jupiter.params.provider.ValueSource;

class CartTest {
    @Test
    void total() {
        Shop.check("total");
    }

    @ParameterizedTest
    @ValueSource(ints = {1, 2, 3})
    void search(int page) {
        Shop.check("search-" + page);
    }

    @Nested
    class Abroad {
        @Test
        void tax() {
            Shop.check("tax");
        }

        @Test
        void duty() {
            Shop.check("duty");
        }
    }
}
