package shop;

import org.junit.jupiter.api.DisplayName;
import org.junit.jupiter.api.Test;

@DisplayName("Logging in")
class LoginTest {
    @Test
    @DisplayName("locks out after.three tries")
    void lockout() {
        Shop.check("lockout");
    }

    @Test
    void reset() {
        Shop.check("reset");
    }
}
