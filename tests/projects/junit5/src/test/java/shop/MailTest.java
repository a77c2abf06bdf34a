package shop;

import org.junit.jupiter.api.Test;

class MailTest {
    @Test
    void send() {
        Shop.check("send");
    }

    @Test
    void bounce() {
        Shop.check("bounce");
    }
}
